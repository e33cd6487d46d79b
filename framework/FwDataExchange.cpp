#include "FwDataExchange.h"

#include <cerrno>
#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <tchar.h>

namespace {

HWND Control(CDataExchange* dx, int id)
{
    HWND hwnd = dx->PrepareCtrl(id);
    if (!hwnd) dx->Fail();
    return hwnd;
}

[[noreturn]] void Refuse(CDataExchange* dx, LPCTSTR text)
{
    fw::ShowMessageBox(dx->m_pDlgWnd ? dx->m_pDlgWnd->m_hWnd : nullptr, text, nullptr, MB_OK | MB_ICONEXCLAMATION);
    dx->Fail();
}

CString WindowText(HWND hwnd)
{
    int len = ::GetWindowTextLength(hwnd);
    if (len <= 0) return CString();
    std::basic_string<TCHAR> buf((size_t)len + 1, 0);
    int got = ::GetWindowText(hwnd, &buf[0], len + 1);
    return CString(buf.c_str(), got);
}

bool OnlySpaces(const TCHAR* p)
{
    while (*p == ' ' || *p == '\t') ++p;
    return *p == 0;
}

void ExchangeNumber(CDataExchange* dx, int id, double& value, int digits)
{
    HWND hwnd = Control(dx, id);
    if (dx->m_bSaveAndValidate) {
        double v = 0;
        if (!fw::ParseDouble(WindowText(hwnd), v) || (digits == FLT_DIG && std::fabs(v) > FLT_MAX))
            Refuse(dx, _T("请输入一个数。"));
        value = v;
    } else {
        CString text;
        text.Format(_T("%.*g"), digits, value);
        ::SetWindowText(hwnd, text);
    }
}

} // namespace

namespace fw {

bool ParseInt(LPCTSTR text, int& out)
{
    if (!text) return false;
    TCHAR* end = nullptr;
    errno = 0;
    long v = _tcstol(text, &end, 10);
    if (end == text || errno == ERANGE || v < INT_MIN || v > INT_MAX || !OnlySpaces(end)) return false;
    out = (int)v;
    return true;
}

bool ParseDouble(LPCTSTR text, double& out)
{
    if (!text) return false;
    TCHAR* end = nullptr;
    errno = 0;
    double v = _tcstod(text, &end);
    if (end == text || !OnlySpaces(end) || !std::isfinite(v)) return false;
    out = v;
    return true;
}

} // namespace fw

void DDX_Control(CDataExchange* dx, int id, CWnd& ctl)
{
    if (ctl.m_hWnd) return;
    HWND hwnd = Control(dx, id);
    if (!ctl.SubclassWindow(hwnd)) dx->Fail();
}

void DDX_Text(CDataExchange* dx, int id, CString& value)
{
    HWND hwnd = Control(dx, id);
    if (dx->m_bSaveAndValidate)
        value = WindowText(hwnd);
    else
        ::SetWindowText(hwnd, value);
}

void DDX_Text(CDataExchange* dx, int id, int& value)
{
    HWND hwnd = Control(dx, id);
    if (dx->m_bSaveAndValidate) {
        int v = 0;
        if (!fw::ParseInt(WindowText(hwnd), v)) Refuse(dx, _T("请输入一个整数。"));
        value = v;
    } else {
        CString text;
        text.Format(_T("%d"), value);
        ::SetWindowText(hwnd, text);
    }
}

void DDX_Text(CDataExchange* dx, int id, float& value)
{
    double v = value;
    ExchangeNumber(dx, id, v, FLT_DIG);
    value = (float)v;
}

void DDX_Text(CDataExchange* dx, int id, double& value)
{
    ExchangeNumber(dx, id, value, DBL_DIG);
}

void DDX_Check(CDataExchange* dx, int id, int& value)
{
    HWND hwnd = Control(dx, id);
    if (dx->m_bSaveAndValidate)
        value = (int)::SendMessage(hwnd, BM_GETCHECK, 0, 0);
    else
        ::SendMessage(hwnd, BM_SETCHECK, (WPARAM)value, 0);
}

void DDX_CBIndex(CDataExchange* dx, int id, int& index)
{
    HWND hwnd = Control(dx, id);
    if (dx->m_bSaveAndValidate)
        index = (int)::SendMessage(hwnd, CB_GETCURSEL, 0, 0);
    else {
        LRESULT count = ::SendMessage(hwnd, CB_GETCOUNT, 0, 0);
        ::SendMessage(hwnd, CB_SETCURSEL, (index >= 0 && index < count) ? (WPARAM)index : (WPARAM)-1, 0);
    }
}

void DDX_Slider(CDataExchange* dx, int id, int& pos)
{
    HWND hwnd = Control(dx, id);
    if (dx->m_bSaveAndValidate)
        pos = (int)::SendMessage(hwnd, TBM_GETPOS, 0, 0);
    else
        ::SendMessage(hwnd, TBM_SETPOS, TRUE, pos);
}
