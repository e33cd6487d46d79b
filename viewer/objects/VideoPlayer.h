// Plays one video file inside a window the caller supplies, through the
// platform's filter graph: the renderer becomes a child of that window.
#pragma once

#include "Framework.h"

struct IGraphBuilder;
struct IMediaControl;
struct IVideoWindow;
struct IMediaEventEx;

class CVideoPlayer {
public:
    // notifyMessage: the message the graph's events are posted with (0: none).
    CVideoPlayer(HWND owner, HWND notify, UINT notifyMessage);
    CVideoPlayer(const CVideoPlayer&) = delete;
    CVideoPlayer& operator=(const CVideoPlayer&) = delete;
    virtual ~CVideoPlayer();

    // Builds the graph for the file and runs it; a graph that cannot be made
    // leaves the player empty.
    void Play(LPCSTR path);
    // IMediaEventEx::WaitForCompletion; the code is dropped when code is null.
    HRESULT WaitForCompletion(long timeoutMs, long* code);
    HRESULT Stop();
    // Stops and releases every interface held; a player that never played
    // returns at once.
    void ReleaseAll();

    bool HasGraph() const { return m_graph != nullptr; }
    bool IsEmpty() const { return !m_graph && !m_control && !m_window && !m_events; }

private:
    IGraphBuilder* m_graph = nullptr;
    IMediaControl* m_control = nullptr;
    IVideoWindow* m_window = nullptr;
    IMediaEventEx* m_events = nullptr;
    HWND m_owner;
    HWND m_notify;
    UINT m_notifyMessage;
};
