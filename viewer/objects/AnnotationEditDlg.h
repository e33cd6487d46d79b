// The small modeless tool box of annotation editing. While it is open the
// layer it edits is in edit mode: the user picks the kind of object to
// place, its font and colours, makes text objects transparent or shapes
// blink, and saves or loads marker files. It edits either the slide's own
// layer or a layer of the user's own marks that it makes and owns itself.
#pragma once

#include "AnnotationLayer.h"
#include "Framework.h"
#include "FwControls.h"

class CAnnotationEditDlg : public CDialog {
public:
    // ownerSlot: the opener's pointer to the tool box, cleared when it closes.
    // parent: the slide view, told when the tool box goes. imageWindow: the
    // display window (an IObjectLayerHost). layer: the layer to edit, or
    // null for a layer of the user's own marks made here.
    CAnnotationEditDlg(CAnnotationEditDlg** ownerSlot, CWnd* parent, CWnd* imageWindow, CAnnotationLayer* layer);
    ~CAnnotationEditDlg() override;

    // Creates the window hidden; the object deletes itself when the window is destroyed.
    BOOL Create();
    BOOL OnInitDialog() override;

    void SetKind(int index);
    void LoadAnnotations(CFile& file, int flag);
    // The slide whose name the marker file dialogs propose.
    void SetSlidePath(const CString& path) { m_slidePath = path; }
    // "b.mrk" for a slide ...\b.jpg.
    CString DefaultFileName() const;

    enum class MediaMove { notNeeded, moved, failed };
    // Moves a hot spot's linked file into the marker file's folder, under its
    // own name, unless it lies there already (folders compared without case).
    // target: the file's path beside the marker file; empty for a path
    // without a folder.
    static MediaMove MoveMediaBesideMarker(LPCTSTR mediaPath, LPCTSTR markerPath, CString& target);
    // Type id of a kind entry (-1 outside the list), and the entry of a type (-1 for none).
    static int TypeOfEntry(int entry);
    static int EntryOfType(int type);

    CAnnotationLayer* Layer() const { return m_layer; }
    bool OwnsLayer() const { return m_ownLayer; }
    int ToggleState() const { return m_toggle; }
    int KindIndex() const { return m_kindIndex; }
    CComboBox& Kinds() { return m_kinds; }
    CButton& Toggle() { return m_toggleBox; }

    void OnToggle();
    void OnFont();
    void OnTextColour();
    void OnBorderColour();
    void OnBackColour();
    void OnSave();
    void OnLoad();

protected:
    void DoDataExchange(CDataExchange* dx) override;
    void PostNcDestroy() override;
    void OnOK() override { DestroyWindow(); }
    void OnCancel() override { DestroyWindow(); }
    void OnClose();
    void OnDestroy();
    void OnKindChange();
    LRESULT OnAnnotationSelected(WPARAM code, LPARAM layer);
    DECLARE_MESSAGE_MAP()

private:
    enum class Colour { text, border, background };
    void ChooseColour(Colour which);
    void ShowToggleCaption(int entry);
    // Moves the hot spots' files beside a written marker file and names them there.
    void MoveMediaBeside(const CString& marker);
    void InvalidateImage();

    CAnnotationEditDlg** m_ownerSlot;
    CWnd* m_imageWindow;
    CAnnotationLayer* m_layer;
    bool m_ownLayer;
    int m_toggle = 1;
    int m_kindIndex = 0;
    CComboBox m_kinds;
    CButton m_toggleBox;
    CString m_slidePath;
};
