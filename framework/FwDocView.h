// Documents, views and the single-document template: objects made by class
// (RUNTIME_CLASS), a frame with its panes made from a create context, and the
// first update of the views once the frame is complete.
#pragma once

#include "FwFrame.h"

class CDocument;
class CView;
class CDocTemplate;

// Makes objects of a class named at run time.
struct CRuntimeClass {
    const char* m_lpszClassName;
    CCmdTarget* (*m_pfnCreateObject)();
    CCmdTarget* CreateObject() const { return m_pfnCreateObject ? m_pfnCreateObject() : nullptr; }
};

#define DECLARE_DYNCREATE(theClass)             \
public:                                         \
    static const CRuntimeClass class##theClass; \
    static CCmdTarget* CreateObject();

#define IMPLEMENT_DYNCREATE(theClass, baseClass)                       \
    CCmdTarget* theClass::CreateObject() { return new theClass; }      \
    const CRuntimeClass theClass::class##theClass = {#theClass, &theClass::CreateObject};

#define RUNTIME_CLASS(theClass) (&theClass::class##theClass)

// What a frame needs to make its panes.
struct CCreateContext {
    const CRuntimeClass* m_pNewViewClass = nullptr;
    CDocument* m_pCurrentDoc = nullptr;
    CDocTemplate* m_pNewDocTemplate = nullptr;
};

namespace fw {
// Creates the context's view (or a view of viewClass when given) as a child
// pane of parent with the given id; the view is shown. Null on failure.
CView* CreateContextView(CWnd* parent, CCreateContext* context, UINT id, const CRuntimeClass* viewClass = nullptr,
                         SIZE size = SIZE{0, 0});
} // namespace fw

// Sent to every descendant of a new frame once it is complete.
#define WM_INITIALUPDATE 0x0364

class CDocument : public CCmdTarget {
public:
    virtual BOOL OnNewDocument() { return TRUE; }
    const CString& GetTitle() const { return m_strTitle; }
    void SetTitle(LPCTSTR title) { m_strTitle = title; }
    CDocTemplate* GetDocTemplate() const { return m_pDocTemplate; }

private:
    friend class CDocTemplate;
    CString m_strTitle;
    CDocTemplate* m_pDocTemplate = nullptr;
};

// A pane that shows a document. Views are made by class, live on the heap and
// delete themselves with their window.
class CView : public CWnd {
public:
    CDocument* GetDocument() const { return m_pDocument; }
    virtual void OnInitialUpdate() { Invalidate(); }
    BOOL PreCreateWindow(CREATESTRUCT& cs) override;

protected:
    virtual void OnDraw(HDC dc) {}
    void OnPaint();
    LRESULT OnInitialUpdateMessage(WPARAM, LPARAM);
    void PostNcDestroy() override { delete this; }
    DECLARE_MESSAGE_MAP()

private:
    friend CView* fw::CreateContextView(CWnd*, CCreateContext*, UINT, const CRuntimeClass*, SIZE);
    CDocument* m_pDocument = nullptr;
};

// A view that is a common control (tree, list): the control paints itself.
class CCtrlView : public CView {
public:
    explicit CCtrlView(LPCTSTR className, DWORD style) : m_strClass(className), m_dwDefaultStyle(style) {}
    BOOL PreCreateWindow(CREATESTRUCT& cs) override;

protected:
    void OnPaint() { Default(); }
    DECLARE_MESSAGE_MAP()

private:
    CString m_strClass;
    DWORD m_dwDefaultStyle;
};

class CDocTemplate : public CCmdTarget {
public:
    CDocTemplate(UINT idResource, const CRuntimeClass* docClass, const CRuntimeClass* frameClass,
                 const CRuntimeClass* viewClass)
        : m_nIDResource(idResource), m_pDocClass(docClass), m_pFrameClass(frameClass), m_pViewClass(viewClass)
    {
    }
    // A new document in a new frame, shown; the frame becomes the main window
    // when there is none. Null when any part cannot be made.
    virtual CDocument* OpenDocumentFile(LPCTSTR path, BOOL makeVisible = TRUE) = 0;

protected:
    CDocument* CreateNewDocument();
    CFrameWnd* CreateNewFrame(CDocument* doc);
    void InitialUpdateFrame(CFrameWnd* frame, CDocument* doc, BOOL makeVisible);

    UINT m_nIDResource;
    const CRuntimeClass* m_pDocClass;
    const CRuntimeClass* m_pFrameClass;
    const CRuntimeClass* m_pViewClass;
};

class CSingleDocTemplate : public CDocTemplate {
public:
    using CDocTemplate::CDocTemplate;
    ~CSingleDocTemplate() override;
    CDocument* OpenDocumentFile(LPCTSTR path, BOOL makeVisible = TRUE) override;
    CDocument* GetDocument() const { return m_pOnlyDoc; }

private:
    CDocument* m_pOnlyDoc = nullptr;
};

