// The slide view's menu and toolbar commands: windows and mark kinds shown,
// the annotation and measurement dialogs, the objective shortcuts, the
// snapshot, the report and the switch to the catalogue client.
#include "SlideView.h"

#include "AnnotationEditDlg.h"
#include "AnnotationListDlg.h"
#include "Dib.h"
#include "ExeFolder.h"
#include "ImageDispWnd.h"
#include "InfoWnd.h"
#include "MainFrame.h"
#include "Navigator.h"
#include "ScaleBar.h"
#include "ViewerMessages.h"
#include "resource.h"

namespace {

const char kNewMarksQuestion[] = "默认标记已存在，是否新建标记？";
const char kCatalogueProgram[] = "Farrowick.exe";
const char kReportTemplate[] = "Sample.dot";
const char kProgramData[] = "C:\\ProgramData";
const int kUserMarksKind = 6;

CMainFrame* FrameOf(HWND wnd)
{
    return dynamic_cast<CMainFrame*>(CWnd::FromHandlePermanent(::GetAncestor(wnd, GA_ROOT)));
}

} // namespace

const char CSlideView::kReportFolder[] = "C:\\ProgramData\\ZelvoVision";
const char CSlideView::kReportCopy[] = "C:\\ProgramData\\ZelvoVision\\Sample.doc";

void CSlideView::RepaintMarks()
{
    if (m_pDisplay) m_pDisplay->Invalidate();
}

// ---------------------------------------------------------------------------
// Windows

void CSlideView::OnNavigatorWindow()
{
    m_navigatorShown = !m_navigatorShown;
    if (m_pNavigator && ::IsWindow(m_pNavigator->Hwnd()))
        ::ShowWindow(m_pNavigator->Hwnd(), m_navigatorShown ? SW_SHOW : SW_HIDE);
    if (m_pDisplay) m_pDisplay->Invalidate();
    if (m_pInfo) m_pInfo->Invalidate();
}

void CSlideView::OnUpdateNavigatorWindow(CCmdUI* ui) { ui->SetCheck(m_navigatorShown ? 1 : 0); }

void CSlideView::OnUpdateEyepieceField(CCmdUI* ui) { ui->SetCheck(m_eyepieceField ? 1 : 0); }

void CSlideView::OnOpenCatalogue()
{
    CMainFrame* frame = FrameOf(m_hWnd);
    const HWND catalogue = frame ? frame->GetCatalogueWindow() : nullptr;
    if (catalogue && ::IsWindow(catalogue)) {
        ::SetForegroundWindow(catalogue);
        return;
    }
    // The viewer closes even when the catalogue client does not start.
    fw::Shell().Execute(m_hWnd, "open", GetExeFolder() + kCatalogueProgram, nullptr, nullptr, SW_SHOWNORMAL);
    if (frame) frame->PostMessage(WM_CLOSE);
}

void CSlideView::OnScreenSettings()
{
    m_settings.DoModal();
    if (CMainFrame* frame = FrameOf(m_hWnd)) frame->SetFieldNumberIndex(m_settings.m_eyepieceIndex);
    RebuildSlideInfo();
}

void CSlideView::OnScreenRuler()
{
    if (m_pScaleBar) m_pScaleBar->ToggleScreenRuler();
    if (m_pDisplay) m_pDisplay->Invalidate();
}

void CSlideView::OnUpdateScreenRuler(CCmdUI* ui) { ui->SetCheck(m_pScaleBar && m_pScaleBar->m_rulerShown ? 1 : 0); }

// ---------------------------------------------------------------------------
// Kinds of marks shown

void CSlideView::OnMarkCaption()
{
    m_captionShown = !m_captionShown;
    if (m_pDisplay) m_pDisplay->Annotations().ShowCaption(m_captionShown);
    RepaintMarks();
}

void CSlideView::OnUpdateMarkCaption(CCmdUI* ui) { ui->SetCheck(m_captionShown ? 1 : 0); }

void CSlideView::OnMarkHotSpots()
{
    m_hotSpotsShown = !m_hotSpotsShown;
    m_regionsShown = m_hotSpotsShown;
    if (m_pDisplay) m_pDisplay->Annotations().ShowHotSpotMarks(m_hotSpotsShown);
    RepaintMarks();
}

void CSlideView::OnUpdateMarkHotSpots(CCmdUI* ui)
{
    ui->SetCheck(m_hotSpotsShown ? 1 : 0);
    ui->Enable(!m_showAll && !m_pEditDlg);
}

void CSlideView::OnMarkRegions()
{
    m_regionsShown = !m_regionsShown;
    if (m_pDisplay) m_pDisplay->Annotations().ShowFeatureRegions(m_regionsShown);
    RepaintMarks();
}

void CSlideView::OnUpdateMarkRegions(CCmdUI* ui)
{
    ui->SetCheck(m_regionsShown ? 1 : 0);
    ui->Enable(!m_showAll && !m_pEditDlg);
}

void CSlideView::OnMarkShowAll()
{
    m_showAll = !m_showAll;
    if (!m_pDisplay) return;
    CAnnotationLayer& layer = m_pDisplay->Annotations();
    layer.ShowAll(m_showAll);
    if (!m_showAll) {
        if (m_pListDlg && !m_pEditDlg) m_pListDlg->SendMessage(WM_CLOSE);
        m_hotSpotsShown = m_regionsShown = FALSE;
        // The notes' marks go too, or they would stay drawn with the item unchecked.
        layer.ShowHotSpotMarks(0);
        layer.ShowFeatureRegions(0);
    }
    RepaintMarks();
}

void CSlideView::OnUpdateMarkShowAll(CCmdUI* ui)
{
    ui->SetCheck(m_showAll ? 1 : 0);
    ui->Enable(!(m_pEditDlg && !m_pEditDlg->OwnsLayer()));
}

// ---------------------------------------------------------------------------
// Annotation list and editor

void CSlideView::OnMarkList()
{
    if (m_pListDlg) {
        m_pListDlg->SendMessage(WM_CLOSE);
        return;
    }
    if (!m_pDisplay) return;
    CAnnotationListDlg* dialog = new CAnnotationListDlg(&m_pListDlg, m_pDisplay.get(), &m_pDisplay->Annotations(), this);
    m_pListDlg = dialog;
    if (!dialog->Create()) {
        // A window made and destroyed again has deleted its object and cleared the pointer.
        if (m_pListDlg == dialog) delete dialog;
        m_pListDlg = nullptr;
        return;
    }
    dialog->ShowWindow(SW_SHOW);
    if (!m_pEditDlg && !m_showAll) {
        m_showAll = TRUE;
        m_pDisplay->Annotations().ShowAll(1);
        RepaintMarks();
    }
}

void CSlideView::OnUpdateMarkList(CCmdUI* ui) { ui->SetCheck(m_pListDlg ? 1 : 0); }

CAnnotationEditDlg* CSlideView::CreateAnnotationEditor(CAnnotationLayer* layer)
{
    if (m_pEditDlg || !m_pDisplay) return nullptr;
    CAnnotationEditDlg* editor = new CAnnotationEditDlg(&m_pEditDlg, this, m_pDisplay.get(), layer);
    m_pEditDlg = editor;
    editor->SetSlidePath(m_slidePath);
    if (!editor->Create()) {
        if (m_pEditDlg == editor) delete editor;
        m_pEditDlg = nullptr;
        return nullptr;
    }
    return editor;
}

void CSlideView::OnMarkEditor()
{
    if (m_pEditDlg) {
        m_pEditDlg->SendMessage(WM_CLOSE);
        return;
    }
    if (!m_pDisplay) return;
    const bool openHeld = !m_userMarks.empty() &&
                          fw::ShowMessageBox(m_hWnd, kNewMarksQuestion, nullptr, MB_YESNO | MB_ICONQUESTION) != IDYES;
    CAnnotationEditDlg* editor = CreateAnnotationEditor(nullptr);
    if (!editor) return;
    // The user's marks lie over the slide's: a file both name stays while the slide's still does.
    editor->Layer()->SetLinkedLayer(&m_pDisplay->Annotations());
    if (openHeld) {
        // Shown read-only over the slide, the tool box itself stays hidden.
        CMemFile file(m_userMarks.data(), (UINT)m_userMarks.size());
        editor->LoadAnnotations(file, 0);
        RequestMediaFiles(*editor->Layer());
        return;
    }
    editor->ShowWindow(SW_SHOW);
    editor->SetKind(kUserMarksKind);
}

void CSlideView::OnUpdateMarkEditor(CCmdUI* ui) { ui->SetCheck(m_pEditDlg ? 1 : 0); }

LRESULT CSlideView::OnEditorClosed(WPARAM editor, LPARAM)
{
    if ((CAnnotationEditDlg*)editor == m_pEditDlg && m_pListDlg) m_pListDlg->SendMessage(WM_CLOSE);
    return 0;
}

// ---------------------------------------------------------------------------
// Objective shortcuts

void CSlideView::SelectObjective(int index)
{
    if (CMainFrame* frame = FrameOf(m_hWnd)) frame->SelectObjective(index);
}

void CSlideView::OnUpdateObjective(CCmdUI* ui)
{
    int index = -1;
    switch (ui->m_nID) {
    case ID_OBJECTIVE_4X: index = 1; break;
    case ID_OBJECTIVE_10X: index = 3; break;
    case ID_OBJECTIVE_20X: index = 4; break;
    case ID_OBJECTIVE_40X: index = 6; break;
    case ID_OBJECTIVE_100X: index = 9; break;
    default: break;
    }
    CMainFrame* frame = FrameOf(m_hWnd);
    ui->SetCheck(frame && frame->ObjectiveIndex() == index ? 1 : 0);
}

// ---------------------------------------------------------------------------
// Snapshot and report

void CSlideView::OnSnapshot()
{
    CDib picture;
    if (picture.GrabWindow(m_hWnd, 0, 0)) picture.CopyToClipboard();
}

void CSlideView::OnReport()
{
    ::CreateDirectoryA(kProgramData, nullptr);
    ::CreateDirectoryA(kReportFolder, nullptr);
    // A missing template leaves no copy; the document handler then reports the missing file.
    ::CopyFileA(GetExeFolder() + kReportTemplate, kReportCopy, FALSE);
    fw::Shell().Execute(m_hWnd, "open", kReportCopy, nullptr, nullptr, SW_SHOWNORMAL);
}
