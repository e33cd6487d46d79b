// The slide list of the selected folder: each slide with two thumbnails (the
// 300x100 caption tile and the 200x200 icon) and four text columns.
#pragma once

#include "Framework.h"

class CMainFrame;

enum class ListMode { slices, thumbnails, report };

class CPemberlo_ClientView : public CListView {
    DECLARE_DYNCREATE(CPemberlo_ClientView)
public:
    void OnInitialUpdate() override;
    BOOL PreCreateWindow(CREATESTRUCT& cs) override;

    // Forgets the list: no items accepted until a list's first item.
    void ClearList();
    // A list's first item: starts it again and accepts what follows.
    void BeginList();
    bool Accepting() const { return m_bAccepting; }
    // Adds a slide with copies of its two thumbnails. Returns its index.
    int AddSlide(LPCTSTR text, HBITMAP tile, HBITMAP icon, const CString columns[4]);
    // Items added between these are shown together (drawing the list again is
    // slow for long lists); BeginBatch before adding, EndBatch after.
    void BeginBatch();
    void EndBatch();
    // Whether the list shows what it holds (no batch held back).
    bool Shown() const { return !m_bHeld; }
    // How the servers are asked for an item: the selected folder's path, its
    // text and ".jpg"; empty for none.
    CString SlidePath(int item);

    void SetMode(ListMode mode);
    ListMode Mode() const { return m_mode; }
    int IconCount() const { return m_nImages; }
    int TileCount() const { return m_nImages; }

    static const int kIconSize = 200;
    static const int kTileWidth = 300, kTileHeight = 100;
    static const UINT_PTR kShowTimer = 0x5D01;
    static const DWORD kShowEveryMs = 500;
    static const UINT kQuietMs = 40;

protected:
    CMainFrame* Frame() const;
    void OnSize(UINT type, int cx, int cy);
    void OnTimer(UINT_PTR id);
    void OnNMDblclk(NMHDR* hdr, LRESULT* result);
    void OnLvnItemchanged(NMHDR* hdr, LRESULT* result);
    DECLARE_MESSAGE_MAP()

private:
    void Show();

    CImageList m_icons, m_tiles;
    int m_nImages = 0;  // images in use; the lists hold room for more
    bool m_bHeld = false;
    DWORD m_dwHeldSince = 0;
    bool m_bAccepting = false;
    ListMode m_mode = ListMode::slices;
    static int s_nNextItem;  // where the next item goes, for the whole run
};
