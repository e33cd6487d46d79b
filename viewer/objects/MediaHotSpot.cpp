#include "MediaHotSpot.h"

#include "Dib.h"
#include "FwCommonDialogs.h"
#include "MediaFiles.h"
#include "VideoPlayer.h"

#include "annotation/MediaNames.h"

#include <cmath>

namespace names = zelvo::annotation;

namespace {

// Posted by the wait thread to the video window; wParam: the playback number.
const UINT WM_VIDEO_ENDED = WM_APP + 0x132;
const int kPollMs = 10;
const DWORD kLastFrameMs = 1000;
// Polls before the wait gives up on a video that never ends (eight hours).
const long kMaxPolls = 8L * 3600 * 1000 / kPollMs;

const char kPictureFailed[] = "图像加载失败！";

bool IsPicturePath(const CString& path)
{
    const std::string s = media::Str(path);
    return names::EndsWithNoCase(s, ".tsg") || names::EndsWithNoCase(s, ".jpg");
}

// The window the video plays in; it hands the end of playback back to its hot spot.
class CVideoWnd : public CWnd {
public:
    explicit CVideoWnd(CMediaHotSpot* spot) : m_spot(spot) {}

protected:
    LRESULT OnVideoEnded(WPARAM play, LPARAM)
    {
        m_spot->OnVideoEnded(play);
        return 0;
    }
    DECLARE_MESSAGE_MAP()

private:
    CMediaHotSpot* m_spot;
};

BEGIN_MESSAGE_MAP(CVideoWnd, CWnd)
    ON_MESSAGE(WM_VIDEO_ENDED, OnVideoEnded)
END_MESSAGE_MAP()

} // namespace

bool IsVideoPath(const CString& path)
{
    const std::string s = media::Str(path);
    return names::EndsWithNoCase(s, ".avi") || names::EndsWithNoCase(s, ".wmv") || names::EndsWithNoCase(s, ".mpg");
}

CMediaHotSpot::CMediaHotSpot(CWnd* owner, DrawAttributes attributes, DrawChangeFn onChange, void* context, int type,
                             int measurement)
    : CTextNote(owner, attributes, onChange, context, type, measurement)
{
}

CMediaHotSpot::~CMediaHotSpot()
{
    m_picture.reset();
    // The wait thread polls the player: it ends before the player goes. It
    // never waits on this thread, so the wait is one poll at most.
    Stop(1);
    m_player.reset();
    if (m_videoWnd && m_videoWnd->m_hWnd) m_videoWnd->DestroyWindow();
    m_videoWnd.reset();
}

// ---------------------------------------------------------------------------
// The linked file

void CMediaHotSpot::ChooseMediaFile()
{
    LPCTSTR extension = nullptr, filter = nullptr;
    switch (m_type) {
    case DRAW_IMAGE_OLD:
        extension = "*.jpg";
        filter = "Jpeg Files (*.jpg;*.jpeg)|*.jpg; *.jpg|Avi Files (*.avi)|*.avi|Media Video (*.wmv)|*.wmv|"
                 "Mpg files (*.mpg)|*.mpg|All Files (*.*)|*.*||";
        break;
    case DRAW_IMAGE:
        extension = "*.jpg";
        filter = "Jpeg Files (*.jpg;*.jpeg)|*.jpg; *.jpg|All Files (*.*)|*.*||";
        break;
    case DRAW_VIDEO:
        extension = "*.avi";
        filter = "Avi Files (*.avi)|*.avi|Media Video (*.wmv)|*.wmv|Mpg files (*.mpg)|*.mpg|All Files (*.*)|*.*||";
        break;
    default: return;
    }
    CFileDialog dialog(TRUE, extension, nullptr, OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT, filter, m_pOwner);
    if (dialog.DoModal() != IDOK) return;
    LinkChosenFile(dialog.GetPathName());
}

void CMediaHotSpot::LinkChosenFile(const CString& chosen)
{
    m_text = chosen;
    m_linkState = 2;
    const CString proposed(names::MediaCopyName(media::Str(m_referencePath), media::Str(chosen)).c_str());
    // A different file that already has the name is another marker's: keep it.
    const CString target = media::FreeCopyTarget(chosen, proposed);
    if (target.IsEmpty() || (!media::FileExists(target) && !::CopyFileA(chosen, target, TRUE))) {
        m_linkState = 1;
        return;
    }
    m_text = target;
    if (IsPicturePath(m_text)) LoadPicture(false);
}

void CMediaHotSpot::LoadPicture(bool tellFailure)
{
    m_picture.reset(new CDib);
    if (m_picture->Load(m_text)) return;
    m_picture.reset();
    if (tellFailure) fw::ShowMessageBox(m_pOwner ? m_pOwner->m_hWnd : nullptr, kPictureFailed, nullptr, MB_OK);
}

void CMediaHotSpot::LoadLinkedMedia()
{
    const CString candidate(names::LinkedCandidate(media::Str(m_referencePath), media::Str(m_text)).c_str());
    if (!m_text.IsEmpty() && media::FileExists(candidate))
        m_text = candidate;
    else if (!media::FileExists(m_text)) {
        m_linkState = 1;
        return;
    }
    m_linkState = 2;
    if (IsPicturePath(m_text)) LoadPicture(true);
}

bool CMediaHotSpot::SetRecord(const zelvo::annotation::ObjectRecord& record)
{
    if (!CTextNote::SetRecord(record)) return false;
    LoadLinkedMedia();
    return true;
}

void CMediaHotSpot::DeleteLinkedFile()
{
    const CString candidate(names::LinkedCandidate(media::Str(m_referencePath), media::Str(m_text)).c_str());
    if (m_text.IsEmpty() || !media::FileExists(candidate)) return;
    m_text = candidate;
    ::DeleteFileA(candidate);
}

// ---------------------------------------------------------------------------
// Drawing and the mouse

RECT CMediaHotSpot::TextRectOnScreen() const
{
    const RECT zoomed{m_shape.textRect.left, m_shape.textRect.top, m_shape.textRect.right, m_shape.textRect.bottom};
    return ToScreen(zoomed);
}

void CMediaHotSpot::Draw(HDC dc)
{
    CTextNote::Draw(dc);
    if (!(m_flags & (DOF_HIGHLIGHT | DOF_VISIBLE))) return;
    RECT r = TextRectOnScreen();
    if (m_picture && !m_picture->IsEmpty()) {
        const CSize size = m_picture->GetSize();
        if (size.cy > 0) FitRectToAspect(r, (double)size.cx / size.cy);
        m_picture->Draw(dc, r.left, r.top, r.right, r.bottom);
    } else if (m_videoWnd && m_videoWnd->m_hWnd && m_videoWnd->IsWindowVisible()) {
        m_videoWnd->MoveWindow(&r, TRUE);
    } else if (m_type == DRAW_VIDEO) {
        DrawPlayMark(dc, r);
    }
}

void CMediaHotSpot::DrawPlayMark(HDC dc, const RECT& r) const
{
    const double cx = (r.left + r.right) / 2, cy = (r.top + r.bottom) / 2;
    HPEN pen = ::CreatePen(PS_SOLID, 1, RGB(0xD2, 0xD2, 0xD2));
    HGDIOBJ oldPen = ::SelectObject(dc, pen);
    HGDIOBJ oldBrush = ::SelectObject(dc, ::GetStockObject(NULL_BRUSH));
    ::Ellipse(dc, (int)(cx - 30), (int)(cy - 30), (int)(cx + 30), (int)(cy + 30));
    const POINT triangle[3] = {{(LONG)(cx - 12.5), (LONG)(cy - 19.375)},
                               {(LONG)(cx + 25), (LONG)cy},
                               {(LONG)(cx - 12.5), (LONG)(cy + 19.375)}};
    ::Polygon(dc, triangle, 3);
    ::SelectObject(dc, oldBrush);
    ::SelectObject(dc, oldPen);
    ::DeleteObject(pen);
}

int CMediaHotSpot::OnLButtonUp(int x, int y)
{
    m_dragging = 0;
    if (!(m_flags & DOF_VISIBLE) || m_linkState != 2) return 0;
    if (!Contains(ToZoomed(x, y))) {
        SetSelected(FALSE);
        return 0;
    }
    if (GetState() == STATE_RUNNING) {
        StopVideo();
        return 1;
    }
    NotifyChanged();
    if (IsVideoPath(m_text)) PlayVideo();
    return 1;
}

// ---------------------------------------------------------------------------
// The video

void CMediaHotSpot::PlayVideo()
{
    if (!m_pOwner || !m_pOwner->m_hWnd) return;
    // A player whose end notice is still on its way goes first.
    StopVideo();
    const RECT r = TextRectOnScreen();
    if (!m_videoWnd || !m_videoWnd->m_hWnd) {
        m_videoWnd.reset(new CVideoWnd(this));
        if (!m_videoWnd->CreateEx(0, nullptr, "Video Display", WS_CHILD | WS_VISIBLE, r, m_pOwner, 0)) {
            m_videoWnd.reset();
            return;
        }
    } else {
        m_videoWnd->MoveWindow(&r, TRUE);
    }
    m_player.reset(new CVideoPlayer(m_videoWnd->m_hWnd, m_pOwner->m_hWnd, 0));
    m_player->Play(m_text);
    m_videoWnd->ShowWindow(SW_SHOW);
    m_videoHwnd = m_videoWnd->m_hWnd;
    m_lastEvent = 0;
    ++m_play;
    Start(0);
}

void CMediaHotSpot::StopVideo()
{
    if (!m_player) return;
    // The wait thread polls the player, so it ends before the player goes;
    // it never waits on this thread, so this wait is one poll at most.
    Stop(1);
    m_player->Stop();
    m_player.reset();
    if (m_videoWnd && m_videoWnd->m_hWnd) m_videoWnd->ShowWindow(SW_HIDE);
}

void CMediaHotSpot::OnVideoEnded(WPARAM play)
{
    if (play != m_play || !m_player) return;
    ++m_endsHandled;
    StopVideo();
}

void CMediaHotSpot::Run()
{
    CVideoPlayer* player = m_player.get();
    if (!player) return;
    const WPARAM play = m_play;
    bool ended = false;
    for (long poll = 0; poll < kMaxPolls && !ended; ++poll) {
        long code = 0;
        if (player->WaitForCompletion(0, &code) == S_OK && code >= 1 && code <= 3) {
            m_lastEvent = code;
            ended = true;
            break;
        }
        if (GetState() != STATE_RUNNING) return;
        ::Sleep(kPollMs);
    }
    // The last frame stays a moment unless the video is stopped meanwhile.
    const DWORD slices = fw::ScaleMilliseconds(kLastFrameMs) / kPollMs;
    for (DWORD i = 0; i < slices && GetState() == STATE_RUNNING; ++i) ::Sleep(kPollMs);
    if (GetState() != STATE_RUNNING) return;
    // The player belongs to the interface thread: it stops it there.
    ::PostMessageA(m_videoHwnd, WM_VIDEO_ENDED, play, 0);
}

void CMediaHotSpot::OnFinished() {}
