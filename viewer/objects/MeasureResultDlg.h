// The modeless tool window of image measurement: it owns the measurement
// layer while it is open and lends it to the display window, lets the user
// pick what to measure, lists every measurement with its result, and loads
// and saves measurement result files. Closing it ends measuring.
#pragma once

#include "Framework.h"
#include "FwTreeList.h"
#include "MeasureLayer.h"

class CMeasureResultDlg : public CDialog {
public:
    // ownerSlot: the opener's pointer to this dialog, cleared when it closes.
    // imageWindow: the display window, which must be an IObjectLayerHost.
    CMeasureResultDlg(CMeasureResultDlg** ownerSlot, CWnd* imageWindow, CWnd* parent);
    ~CMeasureResultDlg() override;

    // Creates the window from its template; the object deletes itself when
    // the window is destroyed.
    BOOL Create();
    // The slide whose name the save dialog proposes.
    void SetSlidePath(const CString& path) { m_slidePath = path; }
    // "b.rst" for a slide ...\b.jpg.
    CString DefaultFileName() const;

    BOOL OnInitDialog() override;

    CMeasureLayer& Layer() { return m_layer; }
    CListCtrl& List() { return m_list; }
    CComboBox& Kinds() { return m_kinds; }

    // Type id of a kind entry, -1 outside the list; and the entry of a type id, -1 for none.
    static int TypeOfEntry(int entry);
    static int EntryOfType(int type);
    // The result line of a measurement, empty for kinds without one.
    static CString ResultText(CDrawObject* object);

    void OnLoad();
    void OnSave();
    void OnLineColour();

protected:
    void DoDataExchange(CDataExchange* dx) override;
    void PostNcDestroy() override;
    void OnOK() override {}
    void OnCancel() override { DestroyWindow(); }
    void OnSize(UINT type, int cx, int cy);
    void OnClose();
    void OnDestroy();
    void OnKindChange();
    void OnListDoubleClick(NMHDR* header, LRESULT* result);
    LRESULT OnMeasureChanged(WPARAM layer, LPARAM index);
    LRESULT OnMeasureSelected(WPARAM code, LPARAM layer);
    DECLARE_MESSAGE_MAP()

private:
    void FillRow(int row);
    void FillList();
    void LayoutList(int cx, int cy);

    CMeasureResultDlg** m_ownerSlot;
    CWnd* m_imageWindow;
    IObjectLayerHost* m_host;
    CMeasureLayer m_layer;
    CListCtrl m_list;
    CComboBox m_kinds;
    int m_kindIndex = -1;
    CString m_slidePath;
};
