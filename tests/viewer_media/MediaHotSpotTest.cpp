#include "AnnotationLayer.h"
#include "Dib.h"
#include "ImageGroupHotSpot.h"
#include "JpegTestData.h"
#include "MarkerPath.h"
#include "MediaHotSpot.h"
#include "ObjectsTestSupport.h"
#include "VideoPlayer.h"

#include "annotation/ImageGroupFile.h"

#include "FwCommonDialogs.h"

#include <gtest/gtest.h>

#include <objbase.h>

#include <string>
#include <vector>

using objects_test::HostWnd;
using objects_test::TempFile;

namespace {

std::string Out(const std::string& name) { return testing_support::OutputFolder() + "\\" + name; }

void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes)
{
    ASSERT_TRUE(testing_support::WriteFileBytes(path, bytes)) << path;
}

std::vector<uint8_t> ReadBytes(const std::string& path) { return testing_support::ReadFileBytes(path); }

std::string g_chosen;
BOOL ChooseChosen(BOOL, OPENFILENAME& ofn)
{
    lstrcpynA(ofn.lpstrFile, g_chosen.c_str(), (int)ofn.nMaxFile);
    return TRUE;
}

bool FileThere(const std::string& path) { return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// The clip the build makes beside this program.
std::string ClipPath()
{
    char exe[MAX_PATH] = "";
    ::GetModuleFileNameA(nullptr, exe, MAX_PATH);
    std::string path = exe;
    return path.substr(0, path.find_last_of('\\') + 1) + "clip.avi";
}

std::vector<uint8_t> Jpeg(int width)
{
    JpegParams p;
    p.width = width;
    p.height = 30;
    return EncodeJpeg(p);
}

// Objects are made as the layer makes them: the marker path of the moment
// becomes their reference path.
class MediaTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_previousMarker = GetMarkerPath();
        layer.Reset(&host);
    }
    void TearDown() override
    {
        SetMarkerPath(m_previousMarker);
        for (const std::string& path : m_made) ::DeleteFileA(path.c_str());
    }
    template <class T> T* Make(int type)
    {
        EXPECT_EQ(layer.CreateObject(type, nullptr), 1);
        T* object = dynamic_cast<T*>(layer.GetSelected());
        EXPECT_NE(object, nullptr);
        if (object) object->SetVisible(TRUE);
        return object;
    }
    std::string Made(const std::string& path)
    {
        m_made.push_back(path);
        return path;
    }
    POINT Inside(const CTextNote* note, bool leftHalf) const
    {
        const RECT& b = note->m_box;
        return POINT{leftHalf ? b.left + 2 : b.right - 2, (b.top + b.bottom) / 2};
    }

    HostWnd host;
    CAnnotationLayer layer;
    testing_support::MessageBoxRecorder boxes;

private:
    CString m_previousMarker;
    std::vector<std::string> m_made;
};

} // namespace

TEST_F(MediaTest, ImageGroupStepsOnePictureAtATimeAndStoresTheIndexOnlyWhenChanged)
{
    SetMarkerPath(Out("s1.mrk").c_str());
    for (const char* left : {"s1-grp0#4.sjp", "s1-grp0#4(2).sjp"}) ::DeleteFileA(Out(left).c_str());
    std::vector<CString> pictures;
    for (int i = 0; i < 4; ++i) {
        const std::string path = Made(Out("grp" + std::to_string(i) + ".jpg"));
        WriteBytes(path, Jpeg(40 + 10 * i));
        pictures.push_back(path.c_str());
    }
    CImageGroupHotSpot* group = Make<CImageGroupHotSpot>(DRAW_IMAGE_GROUP);
    ASSERT_NE(group, nullptr);
    EXPECT_EQ(group->GetReferencePath(), CString(Out("s1.mrk").c_str()));
    group->MakeGroup(pictures);
    const std::string file = Made(Out("s1-grp0#4.sjp"));
    EXPECT_EQ(group->GetText(), CString(file.c_str()));
    EXPECT_EQ(group->m_linkState, 2);
    // Four pictures show the second first.
    ASSERT_EQ(group->GetPictureCount(), 4);
    EXPECT_EQ(group->GetCurrentIndex(), 1);
    ASSERT_NE(group->Picture(), nullptr);
    EXPECT_EQ(group->Picture()->GetSize().cx, 50);
    const std::vector<uint8_t> written = ReadBytes(file);
    zelvo::annotation::ImageGroupIndex index;
    ASSERT_TRUE(zelvo::annotation::ReadImageGroupIndex(written.data(), written.size(), written.size(), index));
    EXPECT_EQ(index.current, 0);  // the middle index reaches the file at the next save

    // Clicks on the halves step once each and stop at the ends.
    POINT left = Inside(group, true), right = Inside(group, false);
    EXPECT_EQ(group->OnLButtonUp(left.x, left.y), 1);
    EXPECT_EQ(group->GetCurrentIndex(), 0);
    EXPECT_EQ(group->OnLButtonUp(left.x, left.y), 1);
    EXPECT_EQ(group->GetCurrentIndex(), 0);
    group->OnLButtonUp(right.x, right.y);
    group->OnLButtonUp(right.x, right.y);
    EXPECT_EQ(group->GetCurrentIndex(), 2);
    EXPECT_EQ(group->Picture()->GetSize().cx, 60);
    // The wheel steps one picture per message, whatever the delta; forward goes back.
    EXPECT_EQ(group->OnMouseWheel(0, -1200, right.x, right.y), 1);
    EXPECT_EQ(group->GetCurrentIndex(), 3);
    group->OnMouseWheel(0, -120, right.x, right.y);
    EXPECT_EQ(group->GetCurrentIndex(), 3);
    group->OnMouseWheel(0, 0, right.x, right.y);
    EXPECT_EQ(group->GetCurrentIndex(), 3);
    group->OnMouseWheel(0, 240, right.x, right.y);
    EXPECT_EQ(group->GetCurrentIndex(), 2);
    EXPECT_EQ(group->OnMouseWheel(0, 120, 5000, 5000), 0);
    EXPECT_EQ(group->GetCurrentIndex(), 2);

    // Saving writes only the index bytes of the group file.
    TempFile marks("s1.mrk");
    ASSERT_TRUE(layer.WriteFile(marks.path.c_str()));
    const std::vector<uint8_t> saved = ReadBytes(file);
    ASSERT_EQ(saved.size(), written.size());
    for (size_t i = 0; i < saved.size(); ++i)
        if (i < 4 || i > 7) ASSERT_EQ(saved[i], written[i]) << i;
    EXPECT_EQ(saved[4], 2);
    // Saving again without a step leaves the file alone, its time included.
    HANDLE h = ::CreateFileA(file.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    const FILETIME old{0x10000000, 0x01C00000};
    ASSERT_TRUE(::SetFileTime(h, nullptr, nullptr, &old));
    ::CloseHandle(h);
    ASSERT_TRUE(layer.WriteFile(marks.path.c_str()));
    WIN32_FILE_ATTRIBUTE_DATA data{};
    ASSERT_TRUE(::GetFileAttributesExA(file.c_str(), GetFileExInfoStandard, &data));
    EXPECT_EQ(data.ftLastWriteTime.dwLowDateTime, old.dwLowDateTime);
    EXPECT_EQ(data.ftLastWriteTime.dwHighDateTime, old.dwHighDateTime);

    // Read back: the stored picture shows.
    CFile in;
    ASSERT_TRUE(in.Open(marks.path.c_str(), CFile::modeRead));
    CAnnotationLayer again;
    again.Reset(&host);
    again.ReadFile(in);
    in.Close();
    ASSERT_EQ(again.GetCount(), 1);
    auto* loaded = dynamic_cast<CImageGroupHotSpot*>(again.GetObjectAt(0));
    ASSERT_NE(loaded, nullptr);
    EXPECT_EQ(loaded->GetCurrentIndex(), 2);
    ASSERT_NE(loaded->Picture(), nullptr);
    EXPECT_EQ(loaded->Picture()->GetSize().cx, 60);

    // A second group of the same name does not overwrite the first.
    CImageGroupHotSpot* second = Make<CImageGroupHotSpot>(DRAW_IMAGE_GROUP);
    second->MakeGroup({pictures[0], pictures[3], pictures[2], pictures[1]});
    EXPECT_EQ(ReadBytes(file), saved);
    EXPECT_EQ(second->GetText(), CString(Made(Out("s1-grp0#4(2).sjp")).c_str()));
    EXPECT_EQ(second->GetCurrentIndex(), 1);
    ASSERT_NE(second->Picture(), nullptr);
    EXPECT_EQ(second->Picture()->GetSize().cx, 70);
}

TEST_F(MediaTest, OnePictureGroupAndDamagedGroupFiles)
{
    SetMarkerPath(Out("s2.mrk").c_str());
    const std::string picture = Made(Out("one.jpg"));
    WriteBytes(picture, Jpeg(44));
    ::DeleteFileA(Out("s2-one#1.sjp").c_str());
    CImageGroupHotSpot* group = Make<CImageGroupHotSpot>(DRAW_IMAGE_GROUP);
    group->MakeGroup({CString(picture.c_str())});
    const std::string file = Made(Out("s2-one#1.sjp"));
    ASSERT_EQ(group->GetPictureCount(), 1);
    const POINT left = Inside(group, true), right = Inside(group, false);
    group->OnLButtonUp(left.x, left.y);
    group->OnLButtonUp(right.x, right.y);
    EXPECT_EQ(group->GetCurrentIndex(), 0);

    // A table pointing past the end of the file, or a file too short for its
    // head: nothing to show, nothing to step, and the user is told.
    const std::vector<uint8_t> sound = ReadBytes(file);
    std::vector<uint8_t> bytes = sound;
    bytes[8] = 0xFF;
    bytes[9] = 0xFF;
    bytes[10] = 0xFF;
    for (const std::vector<uint8_t>& damaged : {bytes, std::vector<uint8_t>(sound.begin(), sound.begin() + 6)}) {
        WriteBytes(file, damaged);
        const size_t shown = boxes.boxes.size();
        group->LoadLinkedMedia();
        EXPECT_EQ(group->m_linkState, 2);
        EXPECT_EQ(group->GetPictureCount(), 0);
        EXPECT_EQ(group->OnLButtonUp(right.x, right.y), 0);
        ASSERT_EQ(boxes.boxes.size(), shown + 1);
        EXPECT_EQ(boxes.boxes.back().text, "组图文件 " + file + " 已损坏或不可读。");
    }
    // A missing file is waited for.
    ::DeleteFileA(file.c_str());
    const size_t shown = boxes.boxes.size();
    group->LoadLinkedMedia();
    EXPECT_EQ(group->m_linkState, 1);
    EXPECT_EQ(boxes.boxes.size(), shown);

    // Stepping to a picture that does not decode shows none; the index moves on.
    const std::string broken = Made(Out("two-broken.jpg"));
    WriteBytes(broken, {0xFF, 0xD8, 0xFF, 0x00, 1, 2, 3});
    ::DeleteFileA(Out("s2-one#2.sjp").c_str());
    CImageGroupHotSpot* two = Make<CImageGroupHotSpot>(DRAW_IMAGE_GROUP);
    two->MakeGroup({CString(picture.c_str()), CString(broken.c_str())});
    Made(Out("s2-one#2.sjp"));
    ASSERT_EQ(two->GetPictureCount(), 2);
    ASSERT_NE(two->Picture(), nullptr);
    const POINT twoRight = Inside(two, false), twoLeft = Inside(two, true);
    EXPECT_EQ(two->OnLButtonUp(twoRight.x, twoRight.y), 1);
    EXPECT_EQ(two->GetCurrentIndex(), 1);
    EXPECT_EQ(two->Picture(), nullptr);
    two->OnLButtonUp(twoLeft.x, twoLeft.y);
    ASSERT_NE(two->Picture(), nullptr);
    EXPECT_EQ(two->Picture()->GetSize().cx, 44);
}

TEST_F(MediaTest, LinkedFilesAreCopiedBesideTheMarkerAndDeletedWithTheLastMarkerNamingThem)
{
    ::CreateDirectoryA(Out("pics").c_str(), nullptr);
    ::CreateDirectoryA(Out("other").c_str(), nullptr);
    const std::string cell = Made(Out("pics\\Cell.JPG")), otherCell = Made(Out("other\\Cell.jpg"));
    WriteBytes(cell, Jpeg(64));
    WriteBytes(otherCell, Jpeg(32));
    SetMarkerPath(Out("s1.mrk").c_str());
    const std::string copy = Made(Out("s1-Cell.tsg")), otherCopy = Made(Out("s1-Cell(2).tsg"));
    ::DeleteFileA(copy.c_str());
    ::DeleteFileA(otherCopy.c_str());

    CMediaHotSpot* first = Make<CMediaHotSpot>(DRAW_IMAGE);
    first->LinkChosenFile(cell.c_str());
    EXPECT_EQ(first->GetText(), CString(copy.c_str()));
    EXPECT_EQ(first->m_linkState, 2);
    ASSERT_NE(first->Picture(), nullptr);
    EXPECT_EQ(first->Picture()->GetSize().cx, 64);
    // A different picture of the same name gets a name of its own...
    CMediaHotSpot* other = Make<CMediaHotSpot>(DRAW_IMAGE);
    other->LinkChosenFile(otherCell.c_str());
    EXPECT_EQ(other->GetText(), CString(otherCopy.c_str()));
    EXPECT_EQ(other->Picture()->GetSize().cx, 32);
    EXPECT_EQ(ReadBytes(copy), ReadBytes(cell));
    // ...the same picture shares the copy.
    CMediaHotSpot* same = Make<CMediaHotSpot>(DRAW_IMAGE);
    same->LinkChosenFile(cell.c_str());
    EXPECT_EQ(same->GetText(), CString(copy.c_str()));

    // Two markers name the copy: deleting one keeps it, deleting both removes it.
    layer.DeleteAt(layer.IndexOf(first));
    layer.ReleaseMediaFile(first);
    EXPECT_TRUE(FileThere(copy));
    layer.DeleteAt(layer.IndexOf(same));
    layer.ReleaseMediaFile(same);
    EXPECT_FALSE(FileThere(copy));
    EXPECT_TRUE(FileThere(otherCopy));
    // A marker naming the file in the linked layer keeps it too.
    CAnnotationLayer under;
    under.Reset(&host);
    SetMarkerPath(Out("s1.mrk").c_str());
    ASSERT_EQ(under.CreateObject(DRAW_IMAGE, nullptr), 1);
    static_cast<CMediaHotSpot*>(under.GetSelected())->SetText(otherCopy.c_str());
    layer.SetLinkedLayer(&under);
    layer.DeleteAt(layer.IndexOf(other));
    layer.ReleaseMediaFile(other);
    EXPECT_TRUE(FileThere(otherCopy));
}

TEST_F(MediaTest, CopiesOfHotSpotsMadeSinceTheLastWriteAreReleasedWhenTheLayerIsDropped)
{
    ::CreateDirectoryA(Out("pics").c_str(), nullptr);
    const std::string kept = Made(Out("pics\\Kept.jpg")), dropped = Made(Out("pics\\Dropped.jpg"));
    WriteBytes(kept, Jpeg(40));
    WriteBytes(dropped, Jpeg(48));
    const std::string marker = Made(Out("s2.mrk"));
    SetMarkerPath(marker.c_str());
    const std::string keptCopy = Made(Out("s2-Kept.tsg")), droppedCopy = Made(Out("s2-Dropped.tsg"));
    fw::FileDialogFn previous = fw::SetFileDialogHandler(&ChooseChosen);
    layer.SetEditMode(1);
    layer.SetToolType(DRAW_IMAGE, 1);

    g_chosen = kept;
    ASSERT_EQ(layer.CreateAt(100, 100), 1);
    ASSERT_TRUE(FileThere(keptCopy));
    // Written: no longer the user's unsaved work.
    ASSERT_TRUE(layer.WriteFile(marker.c_str()));
    EXPECT_EQ(layer.GetAddedCount(), 0);

    g_chosen = dropped;
    ASSERT_EQ(layer.CreateAt(300, 100), 1);
    ASSERT_TRUE(FileThere(droppedCopy));
    EXPECT_EQ(layer.GetAddedCount(), 1);
    fw::SetFileDialogHandler(previous);

    layer.ReleaseAddedMedia();
    EXPECT_FALSE(FileThere(droppedCopy));
    EXPECT_TRUE(FileThere(keptCopy));
    EXPECT_EQ(layer.GetAddedCount(), 0);
}

TEST_F(MediaTest, AShortVideoPlaysToItsEndAndTheEndIsHandledOnThisThread)
{
    ASSERT_TRUE(FileThere(ClipPath())) << ClipPath();
    ASSERT_TRUE(SUCCEEDED(::CoInitialize(nullptr)));
    fw::SetTimerScale(0.1);
    // The video window is a child of the host: it shows only while the host does.
    host.ShowWindow(SW_SHOWNOACTIVATE);
    SetMarkerPath(Out("v1.mrk").c_str());
    {
        CMediaHotSpot* video = Make<CMediaHotSpot>(DRAW_VIDEO);
        video->LinkChosenFile(ClipPath().c_str());
        Made(Out("v1-clip.avi"));
        EXPECT_EQ(video->GetText(), CString(Out("v1-clip.avi").c_str()));
        EXPECT_EQ(video->Picture(), nullptr);
        const POINT p = Inside(video, true);

        // A click plays; a second one stops at once.
        ASSERT_EQ(video->OnLButtonUp(p.x, p.y), 1);
        ASSERT_NE(video->Player(), nullptr);
        EXPECT_TRUE(video->Player()->HasGraph());
        ASSERT_NE(video->VideoWindow(), nullptr);
        EXPECT_TRUE(video->VideoWindow()->IsWindowVisible());
        EXPECT_EQ(video->GetState(), CTaskThread::STATE_RUNNING);
        ASSERT_EQ(video->OnLButtonUp(p.x, p.y), 1);
        EXPECT_EQ(video->Player(), nullptr);
        EXPECT_FALSE(video->VideoWindow()->IsWindowVisible());
        EXPECT_EQ(video->GetState(), CTaskThread::STATE_IDLE);

        // Played to its end: the wait thread sees the completion and this
        // thread, given the posted notice, releases the player.
        ASSERT_EQ(video->OnLButtonUp(p.x, p.y), 1);
        EXPECT_TRUE(testing_support::PumpUntil([&] { return video->EndsHandled() == 1; }, 20000))
            << "event code " << video->LastEventCode();
        EXPECT_EQ(video->LastEventCode(), 1);  // EC_COMPLETE
        EXPECT_EQ(video->Player(), nullptr);
        EXPECT_FALSE(video->VideoWindow()->IsWindowVisible());
        // Destroyed while playing: the thread ends before the player goes.
        video->OnLButtonUp(p.x, p.y);
        layer.Reset();
    }
    // A file that cannot be rendered builds a graph that never runs; teardown
    // still releases everything.
    const std::string bad = Made(Out("broken.avi"));
    WriteBytes(bad, std::vector<uint8_t>(64, 7));
    CVideoPlayer player(host.m_hWnd, host.m_hWnd, 0);
    EXPECT_TRUE(player.IsEmpty());
    player.ReleaseAll();
    player.Play(bad.c_str());
    EXPECT_TRUE(player.HasGraph());
    long code = 0;
    EXPECT_NE(player.WaitForCompletion(0, &code), S_OK);
    player.ReleaseAll();
    EXPECT_TRUE(player.IsEmpty());
    fw::SetTimerScale(1.0);
    ::CoUninitialize();
}
