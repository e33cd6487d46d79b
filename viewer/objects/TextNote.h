// The boxed text annotation: a rounded box of word-wrapped text pointing at
// a spot of the slide, edited in place. Base of the caption and the hot spots.
#pragma once

#include "DrawObject.h"
#include "Workers.h"

#include "annotation/NoteGeometry.h"

#include <memory>
#include <vector>

class CTextNote : public CDrawObject, public INoteEditOwner {
public:
    // measurement: the flag the layers pass; a note takes no part in measuring.
    CTextNote(CWnd* owner, DrawAttributes attributes, DrawChangeFn onChange, void* context, int type,
              int measurement = 0);
    ~CTextNote() override;

    POINT GetCenter() const override;
    void SetSelected(BOOL on) override;
    void Draw(HDC dc) override;
    int OnLButtonDown(int x, int y) override;
    int OnLButtonUp(int x, int y) override;
    int OnRButtonDown(int x, int y) override;
    int OnLButtonDblClk(int x, int y) override;
    int OnMouseMove(int x, int y) override;
    void Rescale(double sx, double sy) override;
    void SetScroll(int x, int y) override;
    void BeginCreate(int x, int y) override;
    void GetBoundRect(RECT* rect) const override;
    // Between the screen and the note's zoomed coordinates (the scroll offset only).
    void ScreenToImageRect(RECT* rect) const override;
    void ScreenToImagePoint(POINT* point) const override;
    void ImageToScreenRect(RECT* rect) const override;
    void ImageToScreenPoint(POINT* point) const override;
    bool GetRecord(zelvo::annotation::ObjectRecord& out) const override;
    bool SetRecord(const zelvo::annotation::ObjectRecord& record) override;

    virtual void SetDefaults();
    virtual void LoadCursors();
    virtual void OnLoaded();
    virtual void LoadLinkedMedia();

    void SetFillMode(int mode);
    POINT GetAnchorScreenPoint() const;
    CString GetText() const { return m_text; }
    void SetText(const CString& text) { m_text = text; }
    void BeginEdit();
    void EndEdit();
    void OnNoteEditEnd(CNoteEdit* edit) override;
    static void FitRectToAspect(RECT& rect, double ratio);
    // A font of the note's LOGFONT; the caller deletes it.
    HFONT CreateNoteFont() const;

    // The parts of the note a zoomed point hits (0 nothing, 1 box, 2 anchor, 3-10 handles).
    int HandleTest(POINT zoomed) const;
    // Whether a zoomed point lies on the note.
    bool Contains(POINT zoomed) const;
    bool HasTail() const { return m_shape.tail; }
    // Whether this kind ever draws a tail.
    bool TailKind() const;

    CString m_text;
    CNoteEdit* m_pEdit = nullptr;
    RECT m_box{0, 0, 0, 0};        // zoomed
    // The anchor in image pixels, kept exactly: the zoomed anchor in the
    // attribute block is rounded at each scale and would drift.
    POINT m_anchorImage{0, 0};
    zelvo::annotation::NoteShape m_shape;  // zoomed
    RECT m_bound{0, 0, 0, 0};      // zoomed
    POINT m_dragStart{0, 0};
    int m_dragCode = 0;
    int m_dragging = 0;
    int m_linkState = 0;

protected:
    // Rebuilds handles and outline after the box or anchor changed and
    // invalidates what the note covered and covers now.
    void Rebuild();
    // The anchor was moved in zoomed coordinates: take its image position.
    void AnchorMoved();
    void SetCursorFor(POINT zoomed) const;
    POINT ToZoomed(int x, int y) const { return POINT{x + m_scrollX, y + m_scrollY}; }
    RECT ToScreen(const RECT& zoomed) const;
    void InvalidateZoomed(const RECT& zoomed, int inflate);

private:
    std::unique_ptr<CNoteEdit> m_spentEdit;
    HCURSOR m_cursors[7] = {};  // arrow, cross, move, sizing WE, NS, NWSE, NESW
    void DrawAnchorMark(HDC dc, bool filled) const;
    void EndEditQuietly();
};
