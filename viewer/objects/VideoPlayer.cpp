#include "VideoPlayer.h"

#include <dshow.h>

CVideoPlayer::CVideoPlayer(HWND owner, HWND notify, UINT notifyMessage)
    : m_owner(owner), m_notify(notify), m_notifyMessage(notifyMessage)
{
}

CVideoPlayer::~CVideoPlayer() { ReleaseAll(); }

void CVideoPlayer::Play(LPCSTR path)
{
    if (FAILED(::CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER,
                                  IID_IGraphBuilder, reinterpret_cast<void**>(&m_graph)))) {
        m_graph = nullptr;
        return;
    }
    WCHAR wide[MAX_PATH] = L"";
    ::MultiByteToWideChar(CP_ACP, MB_PRECOMPOSED, path ? path : "", -1, wide, MAX_PATH);
    wide[MAX_PATH - 1] = L'\0';
    m_graph->RenderFile(wide, nullptr);

    if (SUCCEEDED(m_graph->QueryInterface(IID_IVideoWindow, reinterpret_cast<void**>(&m_window)))) {
        m_window->put_Owner((OAHWND)m_owner);
        m_window->put_MessageDrain((OAHWND)m_notify);
        m_window->put_WindowStyle(WS_CHILD | WS_CLIPSIBLINGS);
    } else {
        m_window = nullptr;
    }
    if (SUCCEEDED(m_graph->QueryInterface(IID_IMediaEventEx, reinterpret_cast<void**>(&m_events))))
        m_events->SetNotifyWindow((OAHWND)m_notify, m_notifyMessage, 0);
    else
        m_events = nullptr;
    if (m_window) {
        RECT client{0, 0, 0, 0};
        ::GetClientRect(m_owner, &client);
        m_window->SetWindowPosition(0, 0, client.right, client.bottom);
    }
    if (SUCCEEDED(m_graph->QueryInterface(IID_IMediaControl, reinterpret_cast<void**>(&m_control))))
        m_control->Run();
    else
        m_control = nullptr;
}

HRESULT CVideoPlayer::WaitForCompletion(long timeoutMs, long* code)
{
    if (!m_events) return E_POINTER;
    long dropped = 0;
    return m_events->WaitForCompletion(timeoutMs, code ? code : &dropped);
}

HRESULT CVideoPlayer::Stop()
{
    if (!m_control) return E_POINTER;
    return m_control->Stop();
}

void CVideoPlayer::ReleaseAll()
{
    if (m_control) {
        m_control->Stop();
        // The renderer finishes its last frame before the graph goes.
        fw::Sleep(1000);
        m_control->Release();
        m_control = nullptr;
    }
    if (m_events) {
        m_events->SetNotifyWindow(0, 0, 0);
        m_events->Release();
        m_events = nullptr;
    }
    if (m_window) {
        m_window->put_Visible(OAFALSE);
        m_window->put_Owner(0);
        m_window->Release();
        m_window = nullptr;
    }
    if (m_graph) {
        m_graph->Release();
        m_graph = nullptr;
    }
}
