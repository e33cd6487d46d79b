#include "AnnotationEditDlg.h"

#include "AnnotationEditIds.h"
#include "CircleMeasure.h"
#include "FramedShape.h"
#include "FwCommonDialogs.h"
#include "ImageGroupHotSpot.h"
#include "MarkerPath.h"
#include "MediaFiles.h"
#include "MediaHotSpot.h"
#include "ObjectLayer.h"
#include "DialogPlacement.h"
#include "ObjectMessages.h"
#include "PolygonMeasure.h"
#include "SegmentMeasure.h"
#include "TextNote.h"

#include <algorithm>
#include <vector>

namespace {

const char kTransparent[] = "透明";
const char kBlink[] = "闪烁";

// The entries of the kinds list, in the order of the template's initial data.
struct KindEntry {
    int type;
    bool textKind;  // the check box makes it transparent, else blink
};
const KindEntry kKinds[] = {
    {DRAW_CAPTION, true},   {DRAW_NOTE_TITLE, true}, {DRAW_NOTE_MARK, true}, {DRAW_IMAGE, true},
    {DRAW_VIDEO, true},     {DRAW_IMAGE_GROUP, true}, {DRAW_REGION, false},  {DRAW_BRACKET, false},
    {DRAW_ARROW, false},    {DRAW_FREEHAND, false},  {DRAW_RECTANGLE, false}, {DRAW_CIRCLE, false},
    {DRAW_ELLIPSE, false},  {DRAW_ARC, false},
};
const int kKindCount = (int)(sizeof kKinds / sizeof kKinds[0]);
const int kUserMarksEntry = 6;

const char kMediaNotMoved[] = "下列媒体文件未能移到标注文件旁，仍留在原处：";
const char kFilter[] = "Marker of the Verdaline(*.mrk;*.mrk)|*.mrk; *.mrk||";
const char kExtension[] = "mrk";
const DWORD kFileFlags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT;

bool IsMedia(int type) { return type >= DRAW_IMAGE && type <= DRAW_IMAGE_GROUP; }

// The last backslash of a path, by characters (a double-byte character's
// second byte may be one), or -1.
int LastSlash(const CString& path)
{
    const char* p = path.GetString();
    int last = -1;
    for (int i = 0; p[i];) {
        if (::IsDBCSLeadByte((BYTE)p[i]) && p[i + 1]) {
            i += 2;
            continue;
        }
        if (p[i] == '\\') last = i;
        ++i;
    }
    return last;
}

// A hot spot's file now lies at file: the hot spot names it and looks for
// its file beside the marker file from now on.
void Relink(CDrawObject* object, const CString& file, const CString& marker)
{
    static_cast<CTextNote*>(object)->SetText(file);
    if (auto* spot = dynamic_cast<CMediaHotSpot*>(object))
        spot->SetReferencePath(marker);
    else if (auto* group = dynamic_cast<CImageGroupHotSpot*>(object))
        group->SetReferencePath(marker);
}

} // namespace

BEGIN_MESSAGE_MAP(CAnnotationEditDlg, CDialog)
    ON_WM_CLOSE()
    ON_WM_DESTROY()
    ON_BN_CLICKED(IDC_EDIT_TOGGLE, OnToggle)
    ON_BN_CLICKED(IDC_EDIT_FONT, OnFont)
    ON_BN_CLICKED(IDC_EDIT_TEXT_COLOUR, OnTextColour)
    ON_BN_CLICKED(IDC_EDIT_BORDER_COLOUR, OnBorderColour)
    ON_BN_CLICKED(IDC_EDIT_BACK_COLOUR, OnBackColour)
    ON_CBN_SELCHANGE(IDC_EDIT_KIND, OnKindChange)
    ON_BN_CLICKED(IDC_EDIT_SAVE, OnSave)
    ON_BN_CLICKED(IDC_EDIT_LOAD, OnLoad)
    ON_MESSAGE(WM_ANNOTATION_SELECTED, OnAnnotationSelected)
END_MESSAGE_MAP()

CAnnotationEditDlg::CAnnotationEditDlg(CAnnotationEditDlg** ownerSlot, CWnd* parent, CWnd* imageWindow,
                                       CAnnotationLayer* layer)
    : CDialog(IDD_ANNOTATION_EDIT, parent), m_ownerSlot(ownerSlot), m_imageWindow(imageWindow), m_layer(layer),
      m_ownLayer(layer == nullptr)
{
}

CAnnotationEditDlg::~CAnnotationEditDlg()
{
    // A window that never came up leaves its own layer here.
    if (m_ownLayer) delete m_layer;
}

BOOL CAnnotationEditDlg::Create() { return CDialog::Create(IDD_ANNOTATION_EDIT, m_pParentWnd); }

void CAnnotationEditDlg::PostNcDestroy() { delete this; }

int CAnnotationEditDlg::TypeOfEntry(int entry) { return entry >= 0 && entry < kKindCount ? kKinds[entry].type : -1; }

int CAnnotationEditDlg::EntryOfType(int type)
{
    if (type == DRAW_IMAGE_OLD) type = DRAW_IMAGE;
    for (int i = 0; i < kKindCount; ++i)
        if (kKinds[i].type == type) return i;
    return -1;
}

CString CAnnotationEditDlg::DefaultFileName() const { return SlideFileTitle(m_slidePath) + ".mrk"; }

void CAnnotationEditDlg::DoDataExchange(CDataExchange* dx)
{
    DDX_Control(dx, IDC_EDIT_KIND, m_kinds);
    DDX_Control(dx, IDC_EDIT_TOGGLE, m_toggleBox);
    DDX_Check(dx, IDC_EDIT_TOGGLE, m_toggle);
    DDX_CBIndex(dx, IDC_EDIT_KIND, m_kindIndex);
}

BOOL CAnnotationEditDlg::OnInitDialog()
{
    UpdateData(FALSE);  // binds the controls

    IObjectLayerHost* host = dynamic_cast<IObjectLayerHost*>(m_imageWindow);
    if (m_ownLayer) {
        m_layer = new CAnnotationLayer;
        if (host) {
            host->SetEditorLayer(m_layer);
            const RECT view = host->GetViewRect();
            m_layer->SetScroll(view.left, view.top);
        }
        m_layer->SetOwner(m_imageWindow);
    }

    // 16 pixels inside the display's top-right corner.
    PlaceInDisplayCorner(*this, m_imageWindow, DisplayCorner::topRight, 16, 16);

    m_layer->SetEditMode(1);
    m_layer->SetToolBoxWindow(this);
    InvalidateImage();
    UpdateData(FALSE);
    return TRUE;
}

void CAnnotationEditDlg::InvalidateImage()
{
    if (m_imageWindow && m_imageWindow->m_hWnd) m_imageWindow->Invalidate(TRUE);
}

void CAnnotationEditDlg::OnClose() { DestroyWindow(); }

void CAnnotationEditDlg::OnDestroy()
{
    m_layer->SetEditMode(0);
    m_layer->SetToolBoxWindow(nullptr);
    if (m_ownLayer) {
        if (IObjectLayerHost* host = dynamic_cast<IObjectLayerHost*>(m_imageWindow)) host->SetEditorLayer(nullptr);
        m_layer->ReleaseAddedMedia();
        delete m_layer;
        m_layer = nullptr;
    } else {
        // A layer that was never given a file has nowhere to be written.
        if (!m_layer->GetPath().IsEmpty()) m_layer->Save();
        if (m_pParentWnd && m_pParentWnd->m_hWnd) m_pParentWnd->SendMessage(WM_EDITOR_CLOSED, (WPARAM)this, 0);
    }
    InvalidateImage();
    if (m_ownerSlot) *m_ownerSlot = nullptr;
}

// ---------------------------------------------------------------------------
// Kind and selection

void CAnnotationEditDlg::ShowToggleCaption(int entry)
{
    if (entry >= 0 && entry < kKindCount && m_toggleBox.m_hWnd)
        m_toggleBox.SetWindowText(kKinds[entry].textKind ? kTransparent : kBlink);
}

void CAnnotationEditDlg::SetKind(int index)
{
    m_kindIndex = index;
    ShowToggleCaption(index);
    if (index == kUserMarksEntry && m_layer) m_layer->SetToolType(DRAW_FREEHAND, 1);
    UpdateData(FALSE);
}

void CAnnotationEditDlg::OnKindChange()
{
    UpdateData(TRUE);
    ShowToggleCaption(m_kindIndex);
    const int type = TypeOfEntry(m_kindIndex);
    if (type > 0) m_layer->SetToolType(type, 1);
}

LRESULT CAnnotationEditDlg::OnAnnotationSelected(WPARAM code, LPARAM)
{
    CDrawObject* selected = code == 1 ? m_layer->GetSelected() : nullptr;
    const int entry = selected ? EntryOfType(selected->GetType()) : -1;
    if (entry >= 0) {
        m_kindIndex = entry;
        ShowToggleCaption(entry);
        DrawAttributes a;
        selected->GetAttributes(&a);
        m_toggle = kKinds[entry].textKind ? (a.bkMode == TRANSPARENT ? 1 : 0) : (a.blink ? 1 : 0);
    }
    UpdateData(FALSE);
    return 0;
}

void CAnnotationEditDlg::OnToggle()
{
    m_toggle = !m_toggle;
    CDrawObject* selected = m_layer->GetSelected();
    switch (selected ? selected->GetType() : DRAW_NONE) {
    case DRAW_CAPTION:
    case DRAW_NOTE_MARK:
    case DRAW_NOTE_TITLE:
    case DRAW_IMAGE_OLD:
    case DRAW_IMAGE:
    case DRAW_VIDEO:
    case DRAW_IMAGE_GROUP: {
        DrawAttributes a;
        selected->GetAttributes(&a);
        a.bkMode = m_toggle ? TRANSPARENT : OPAQUE;
        selected->SetAttributes(a);
        break;
    }
    case DRAW_REGION:
    case DRAW_FREEHAND: static_cast<CPolygonMeasure*>(selected)->SetBlink(m_toggle); break;
    case DRAW_ARC: static_cast<CArcMeasure*>(selected)->SetBlink(m_toggle); break;
    case DRAW_CIRCLE: static_cast<CCircleMeasure*>(selected)->SetBlink(m_toggle); break;
    case DRAW_RECTANGLE:
    case DRAW_ELLIPSE: static_cast<CFramedShape*>(selected)->SetBlink(m_toggle); break;
    default: break;
    }
    UpdateData(FALSE);
    if (selected) InvalidateImage();
}

// ---------------------------------------------------------------------------
// Font and colours: the selected object's and the layer's for new objects

void CAnnotationEditDlg::OnFont()
{
    CDrawObject* selected = m_layer->GetSelected();
    DrawAttributes a = m_layer->Attributes();
    if (selected) selected->GetAttributes(&a);
    CFontDialog dialog(&a.font, CF_SCREENFONTS, this);
    if (dialog.DoModal() != IDOK) return;
    LOGFONT chosen;
    dialog.GetCurrentFont(&chosen);
    if (selected) {
        a.font = chosen;
        selected->SetAttributes(a);
    }
    m_layer->Attributes().font = chosen;
    InvalidateImage();
}

void CAnnotationEditDlg::ChooseColour(Colour which)
{
    auto field = [which](DrawAttributes& a) -> COLORREF& {
        switch (which) {
        case Colour::text: return a.textColor;
        case Colour::border: return a.borderColor;
        default: return a.fillColor;
        }
    };
    CDrawObject* selected = m_layer->GetSelected();
    DrawAttributes a = m_layer->Attributes();
    if (selected) selected->GetAttributes(&a);
    CColorDialog dialog(field(a), CC_FULLOPEN, this);
    if (dialog.DoModal() != IDOK) return;
    const COLORREF colour = dialog.GetColor();
    if (selected) {
        field(a) = colour;
        selected->SetAttributes(a);
    }
    field(m_layer->Attributes()) = colour;
    InvalidateImage();
}

void CAnnotationEditDlg::OnTextColour() { ChooseColour(Colour::text); }
void CAnnotationEditDlg::OnBorderColour() { ChooseColour(Colour::border); }
void CAnnotationEditDlg::OnBackColour() { ChooseColour(Colour::background); }

// ---------------------------------------------------------------------------
// Marker files

void CAnnotationEditDlg::LoadAnnotations(CFile& file, int)
{
    m_layer->ReadFile(file);
    m_layer->ShowHotSpotMarks(0);
    m_layer->SetEditMode(0);
    m_layer->ShowAll(1);
    m_layer->ShowCaption(1);
    InvalidateImage();
}

CAnnotationEditDlg::MediaMove CAnnotationEditDlg::MoveMediaBesideMarker(LPCTSTR mediaPath, LPCTSTR markerPath,
                                                                        CString& target)
{
    const CString media(mediaPath), marker(markerPath);
    const int mediaSlash = LastSlash(media), markerSlash = LastSlash(marker);
    target.Empty();
    if (media.IsEmpty() || mediaSlash < 0) return MediaMove::notNeeded;
    const CString mediaFolder = media.Left(mediaSlash + 1);
    const CString markerFolder = markerSlash >= 0 ? marker.Left(markerSlash + 1) : CString();
    target = markerFolder + media.Mid(mediaSlash + 1);
    if (mediaFolder.CompareNoCase(markerFolder) == 0) return MediaMove::notNeeded;
    return ::MoveFileExA(media, target, MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED) ? MediaMove::moved
                                                                                          : MediaMove::failed;
}

void CAnnotationEditDlg::MoveMediaBeside(const CString& marker)
{
    // Each file is moved once; every hot spot that names it follows it.
    struct Move {
        CString media, target;
        MediaMove result;
    };
    std::vector<Move> moves;
    CString failed;
    for (int i = 0; i < m_layer->GetCount(); ++i) {
        CDrawObject* object = m_layer->GetObjectAt(i);
        const CTextNote* note = IsMedia(object->GetType()) ? dynamic_cast<const CTextNote*>(object) : nullptr;
        if (!note) continue;
        const CString media = note->GetText();
        auto move = std::find_if(moves.begin(), moves.end(),
                                 [&](const Move& m) { return m.media.CompareNoCase(media) == 0; });
        if (move == moves.end()) {
            // A file still to be fetched has nothing here to move.
            if (!media::FileExists(media)) continue;
            Move made{media, CString(), MediaMove::notNeeded};
            made.result = MoveMediaBesideMarker(media, marker, made.target);
            if (made.result == MediaMove::failed) failed += "\n" + media;
            move = moves.insert(moves.end(), made);
        }
        if (move->result != MediaMove::failed && !move->target.IsEmpty()) Relink(object, move->target, marker);
    }
    if (!failed.IsEmpty())
        fw::ShowMessageBox(m_hWnd, CString(kMediaNotMoved) + failed, nullptr, MB_OK | MB_ICONWARNING);
}

void CAnnotationEditDlg::OnSave()
{
    if (!m_ownLayer) return;
    CFileDialog dialog(FALSE, kExtension, DefaultFileName(), kFileFlags, kFilter, this);
    if (dialog.DoModal() != IDOK) return;
    const CString path = dialog.GetPathName();
    SetMarkerPath(path);
    // The media follow only a marker file that was written: otherwise they
    // would leave the place the layer's hot spots still name.
    if (m_layer->WriteFile(path)) MoveMediaBeside(path);
}

void CAnnotationEditDlg::OnLoad()
{
    if (!m_ownLayer) return;
    CFileDialog dialog(TRUE, kExtension, DefaultFileName(), kFileFlags, kFilter, this);
    if (dialog.DoModal() != IDOK) return;
    const CString path = dialog.GetPathName();
    SetMarkerPath(path);
    CFile file;
    if (!file.Open(path, CFile::modeRead | CFile::shareDenyWrite)) return;
    LoadAnnotations(file, 0);
    m_layer->ShowAll(0);
    m_layer->SetEditMode(1);
}
