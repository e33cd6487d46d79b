// Windows, files and surfaces for the object tests.
#pragma once

#include "DrawObject.h"
#include "Framework.h"
#include "ObjectLayer.h"
#include "TestSupport.h"

#include "bytes/ByteReader.h"

#include <cstdio>
#include <string>
#include <vector>

namespace objects_test {

const uint32_t kOneMicron = 1000000;  // pixels per metre: 1 um per pixel

// A window standing in for the display: it lends itself to layers and
// dialogs as their host and records what they ask of it. It stays hidden, so
// that it never covers the windows of tests running beside it.
class HostWnd : public CWnd, public IObjectLayerHost {
public:
    HostWnd(int w = 800, int h = 600)
    {
        CreateEx(0, nullptr, _T("host"), WS_POPUP, 0, 0, w, h, nullptr, nullptr);
    }
    ~HostWnd() override
    {
        if (::IsWindow(m_hWnd)) DestroyWindow();
    }
    RECT GetViewRect() override { return view; }
    LayerScale GetLayerScale() override { return scale; }
    void CenterOn(int x, int y) override { centred = POINT{x, y}; }
    void SetMeasureLayer(IObjectLayer* layer) override { measureLayer = layer; }
    void SetEditorLayer(IObjectLayer* layer) override { editorLayer = layer; }

    // The posted messages of this number, taken from the queue.
    std::vector<MSG> TakePosted(UINT message)
    {
        std::vector<MSG> taken;
        MSG msg;
        while (::PeekMessage(&msg, m_hWnd, message, message, PM_REMOVE)) taken.push_back(msg);
        return taken;
    }

    RECT view{0, 0, 800, 600};
    LayerScale scale{1.0f, 1.0f, 0, 0};
    POINT centred{-1, -1};
    IObjectLayer* measureLayer = nullptr;
    IObjectLayer* editorLayer = nullptr;
};

// A file in the test output folder, removed at the end.
class TempFile {
public:
    explicit TempFile(const std::string& name) : path(testing_support::OutputFolder() + "\\" + name)
    {
        ::DeleteFileA(path.c_str());
    }
    ~TempFile()
    {
        ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        ::DeleteFileA(path.c_str());
    }
    bool Exists() const { return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }
    std::vector<uint8_t> Bytes() const { return testing_support::ReadFileBytes(path); }
    void Write(const std::vector<uint8_t>& bytes) const { testing_support::WriteFileBytes(path, bytes); }
    std::string path;
};

// Counts the change callbacks of objects made outside a layer.
inline int CountChange(void* context, CDrawObject*)
{
    ++*static_cast<int*>(context);
    return 0;
}

} // namespace objects_test
