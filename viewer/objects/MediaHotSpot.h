// A text note linking a picture, shown inside its box, or a video, played
// inside its box when clicked (type ids 5, 101 and 102). Its text is the
// linked file's full path.
#pragma once

#include "TextNote.h"
#include "Workers.h"

#include <atomic>
#include <memory>

class CDib;
class CVideoPlayer;

class CMediaHotSpot : public CTextNote, public CTaskThread {
public:
    CMediaHotSpot(CWnd* owner, DrawAttributes attributes, DrawChangeFn onChange, void* context, int type,
                  int measurement = 0);
    ~CMediaHotSpot() override;

    // The marker file path when the object was made: linked files live in its folder.
    void SetReferencePath(const CString& path) { m_referencePath = path; }
    const CString& GetReferencePath() const { return m_referencePath; }

    // Asks the user for the file to link (nothing for other type ids).
    void ChooseMediaFile();
    // Links a chosen file: copies it beside the marker file and shows it.
    void LinkChosenFile(const CString& chosen);
    void LoadLinkedMedia() override;
    bool SetRecord(const zelvo::annotation::ObjectRecord& record) override;
    void DeleteLinkedFile() override;
    void Draw(HDC dc) override;
    int OnLButtonUp(int x, int y) override;

    void PlayVideo();
    void StopVideo();
    // On the interface thread, posted by the wait thread when playback ended.
    void OnVideoEnded(WPARAM play);

    // Waits for the end of the video on the task thread.
    void Run() override;
    void OnFinished() override;

    CDib* Picture() const { return m_picture.get(); }
    CWnd* VideoWindow() const { return m_videoWnd.get(); }
    CVideoPlayer* Player() const { return m_player.get(); }
    // The last event code the wait thread saw (0: none yet).
    long LastEventCode() const { return m_lastEvent.load(); }
    // Ends of playback handled on the interface thread.
    int EndsHandled() const { return m_endsHandled; }

private:
    RECT TextRectOnScreen() const;
    void LoadPicture(bool tellFailure);
    void DrawPlayMark(HDC dc, const RECT& r) const;

    std::unique_ptr<CWnd> m_videoWnd;
    std::unique_ptr<CDib> m_picture;
    std::unique_ptr<CVideoPlayer> m_player;
    CString m_referencePath;
    // Read by the wait thread; set on the interface thread before it starts.
    HWND m_videoHwnd = nullptr;
    std::atomic<long> m_lastEvent{0};
    UINT m_play = 0;  // numbers each playback, so that a late end notice of an earlier one is ignored
    int m_endsHandled = 0;
};

// Tells whether a linked file is a video (by its extension).
bool IsVideoPath(const CString& path);
