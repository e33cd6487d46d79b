// The modeless list of every object of the slide's annotation layer, with
// its kind, text and place. It follows the layer's changes as they are
// posted and centres the view on an object whose row is double-clicked.
#pragma once

#include "AnnotationLayer.h"
#include "Framework.h"
#include "FwTreeList.h"

class CAnnotationListDlg : public CDialog {
public:
    // ownerSlot: the opener's pointer to this dialog, cleared when it closes.
    // imageWindow: the display window, for placement. parent: the slide view.
    CAnnotationListDlg(CAnnotationListDlg** ownerSlot, CWnd* imageWindow, CAnnotationLayer* layer, CWnd* parent);
    ~CAnnotationListDlg() override;

    // Creates the window; the object deletes itself when the window is destroyed.
    BOOL Create();
    BOOL OnInitDialog() override;

    CListCtrl& List() { return m_list; }
    CAnnotationLayer* Layer() const { return m_layer; }

protected:
    void DoDataExchange(CDataExchange* dx) override;
    void PostNcDestroy() override;
    void OnOK() override {}
    void OnCancel() override { DestroyWindow(); }
    void OnSize(UINT type, int cx, int cy);
    void OnClose();
    void OnDestroy();
    void OnListDoubleClick(NMHDR* header, LRESULT* result);
    LRESULT OnAnnotationChanged(WPARAM layer, LPARAM index);
    DECLARE_MESSAGE_MAP()

private:
    void FillRow(int row);
    void FillList();

    CAnnotationListDlg** m_ownerSlot;
    CWnd* m_imageWindow;
    CAnnotationLayer* m_layer;
    CListCtrl m_list;
};
