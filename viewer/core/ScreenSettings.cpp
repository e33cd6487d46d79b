#include "ScreenSettings.h"

#include "AboutDlg.h"
#include "ScreenSettingsIds.h"
#include "bytes/ByteReader.h"

#include <cmath>

namespace {

const char kKey[] = "Software\\Zelvo\\Lumarind\\DispAttr";
const int kManualControls[] = {IDC_TYPED_TYPE, IDC_MEASURED_WIDTH, IDC_MEASURED_HEIGHT, IDC_MODIFY,
                               IDC_DELETE, IDC_SAVE, IDC_ACCEPT};
const char* const kFieldTexts[monitor::kFieldNumberCount] = {"160", "180", "200", "220", "250", "265", "350", "500"};
const char* const kEyepieceEntries[] = {"140FD", "160FD", "180FD", "200FD", "220FD", "250FD", "265FD"};

// A fixed-size value; anything of another size is left alone.
bool ReadExact(HKEY key, const char* name, void* out, DWORD size)
{
    DWORD got = 0;
    if (::RegQueryValueExA(key, name, nullptr, nullptr, nullptr, &got) != ERROR_SUCCESS || got != size)
        return false;
    return ::RegQueryValueExA(key, name, nullptr, nullptr, static_cast<BYTE*>(out), &got) == ERROR_SUCCESS &&
           got == size;
}

std::vector<uint8_t> ReadBlock(HKEY key, const char* name)
{
    DWORD size = 0;
    if (::RegQueryValueExA(key, name, nullptr, nullptr, nullptr, &size) != ERROR_SUCCESS || size == 0) return {};
    std::vector<uint8_t> data(size);
    if (::RegQueryValueExA(key, name, nullptr, nullptr, data.data(), &size) != ERROR_SUCCESS) return {};
    data.resize(size);
    return data;
}

} // namespace

CScreenSettingsDlg::CScreenSettingsDlg(CWnd* parent) : CDialog(IDD_SCREEN_SETTINGS, parent)
{
    m_sizeLabel = "屏幕尺寸(mm):";
    m_current = monitor::MakePreset("16.1\" UXGA TFT (1600x1200)", 328.0f, 246.0f, 0.0f);
    for (int i = 0; i < monitor::kFieldNumberCount; ++i) m_fieldNumberTexts[i] = kFieldTexts[i];
    LoadSettings();
}

void CScreenSettingsDlg::LoadSettings()
{
    std::vector<MonitorPreset> stored;
    HKEY key = nullptr;
    if (::RegOpenKeyExA(HKEY_CURRENT_USER, kKey, 0, KEY_ALL_ACCESS, &key) == ERROR_SUCCESS) {
        float field = 0;
        if (ReadExact(key, "OcularField", &field, 4)) m_fieldNumber = field;
        uint8_t record[monitor::kRecordSize];
        if (ReadExact(key, "ScreenAttr", record, sizeof record)) monitor::Parse(record, sizeof record, m_current);
        uint8_t count[4];
        if (ReadExact(key, "AttrNumber", count, 4)) {
            uint32_t n = (uint32_t)count[0] | ((uint32_t)count[1] << 8) | ((uint32_t)count[2] << 16) |
                         ((uint32_t)count[3] << 24);
            if (n > 0) {
                std::vector<uint8_t> block = ReadBlock(key, "ScreenAttrs");
                stored = monitor::ParseList(block.data(), block.size(), n);
            }
        }
        ::RegCloseKey(key);
    }
    m_eyepieceIndex = IndexOfFieldNumber(m_fieldNumber);

    m_presets.clear();
    m_monitorCombo.ResetContent();
    if (stored.empty()) {
        const auto& builtIn = monitor::BuiltInPresets();
        stored.assign(builtIn.begin(), builtIn.end());
    }
    m_selectedIndex = -1;
    for (const auto& p : stored) {
        if (monitor::SameName(p, m_current)) m_selectedIndex = (int)m_presets.size();
        m_presets.push_back(p);
        m_monitorCombo.AddString(CString(p.name));
    }
    m_monitorCombo.SetCurSel(m_selectedIndex);
    m_loadedIndex = m_selectedIndex;
}

void CScreenSettingsDlg::SaveSettings()
{
    HKEY key = nullptr;
    if (::RegCreateKeyExA(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
        return;
    zelvo::ByteWriter field;
    field.f32(m_fieldNumber);
    ::RegSetValueExA(key, "OcularField", 0, REG_BINARY, field.data().data(), 4);
    auto record = monitor::Serialize(m_current);
    ::RegSetValueExA(key, "ScreenAttr", 0, REG_BINARY, record.data(), (DWORD)record.size());
    zelvo::ByteWriter count;
    count.u32((uint32_t)m_presets.size());
    ::RegSetValueExA(key, "AttrNumber", 0, REG_BINARY, count.data().data(), 4);
    std::vector<uint8_t> list = monitor::SerializeList(m_presets);
    ::RegSetValueExA(key, "ScreenAttrs", 0, REG_BINARY, list.data(), (DWORD)list.size());
    ::RegCloseKey(key);
    m_changed = 0;
}

CString CScreenSettingsDlg::GetFieldNumberText(int index) const
{
    if (index < 0 || index >= monitor::kFieldNumberCount) return CString();
    return m_fieldNumberTexts[index];
}

void CScreenSettingsDlg::SetEyepieceIndex(int index)
{
    m_eyepieceIndex = index;
    m_fieldNumber = FieldNumberByIndex(index);
}

void CScreenSettingsDlg::DoDataExchange(CDataExchange* dx)
{
    DDX_Control(dx, IDC_MONITOR_COMBO, m_monitorCombo);
    DDX_Control(dx, IDC_EYEPIECE_COMBO, m_eyepieceCombo);
    DDX_Control(dx, IDC_DIAGONAL_SLIDER, m_slider);
    DDX_Check(dx, IDC_MANUAL_MODE, m_manual);
    DDX_Text(dx, IDC_MONITOR_TYPE, m_typeText);
    DDX_Text(dx, IDC_SCREEN_WIDTH, m_width);
    DDX_Text(dx, IDC_SCREEN_HEIGHT, m_height);
    DDX_Text(dx, IDC_DOT_PITCH, m_dotPitch);
    DDX_Text(dx, IDC_SIZE_LABEL, m_sizeLabel);
    DDX_Slider(dx, IDC_DIAGONAL_SLIDER, m_sliderPos);
    DDX_Text(dx, IDC_DIAGONAL, m_diagonal);
    DDX_Text(dx, IDC_MEASURED_WIDTH, m_measuredWidth);
    DDX_Text(dx, IDC_MEASURED_HEIGHT, m_measuredHeight);
    DDX_Text(dx, IDC_TYPED_TYPE, m_typedType);
}

BOOL CScreenSettingsDlg::OnInitDialog()
{
    CDialog::OnInitDialog();  // binds the controls
    m_manual = 0;
    EnableManualControls(FALSE);
    LoadSettings();
    if (m_eyepieceCombo.GetCount() == 0)
        for (const char* text : kEyepieceEntries) m_eyepieceCombo.AddString(CString(text));
    m_slider.SetRange(400, 20000);
    ShowCurrent();
    m_slider.EnableWindow(FALSE);
    m_eyepieceCombo.SetCurSel(IndexOfFieldNumber(m_fieldNumber));
    MakeTranslucent(m_hWnd, 240);
    return TRUE;
}

void CScreenSettingsDlg::ShowCurrent()
{
    m_typeText = m_current.name;
    m_width = m_current.width;
    m_height = m_current.height;
    m_dotPitch = m_current.dotPitch;
    m_diagonal = monitor::DiagonalInches(m_width, m_height);
    m_sliderPos = monitor::SliderPositionForDiagonal(m_diagonal);
    if (m_hWnd) UpdateData(FALSE);
}

void CScreenSettingsDlg::EnableManualControls(BOOL on)
{
    for (int id : kManualControls)
        if (HWND item = ::GetDlgItem(m_hWnd, id)) ::EnableWindow(item, on);
}

int CScreenSettingsDlg::OuterWidth() const
{
    CRect r;
    GetWindowRect(&r);
    return r.Width();
}

void CScreenSettingsDlg::OnEyepieceChange()
{
    int index = m_eyepieceCombo.GetCurSel();
    if (index < 0) return;
    SetEyepieceIndex(index);
}

void CScreenSettingsDlg::OnMonitorChange()
{
    int index = m_monitorCombo.GetCurSel();
    if (index < 0 || index >= (int)m_presets.size()) return;
    m_selectedIndex = index;
    m_current = m_presets[(size_t)index];
    ShowCurrent();
    m_changed = 1;
}

void CScreenSettingsDlg::OnManualMode()
{
    m_manual = !m_manual;
    EnableManualControls(m_manual);
    m_slider.EnableWindow(m_manual);
    CheckDlgButton(IDC_MANUAL_MODE, m_manual ? BST_CHECKED : BST_UNCHECKED);
    m_sizeLabel = "屏幕尺寸(mm):";
    SetDlgItemText(IDC_SIZE_LABEL, m_sizeLabel);
}

void CScreenSettingsDlg::OnModify()
{
    int index = m_monitorCombo.GetCurSel();
    if (index < 0 || index >= (int)m_presets.size()) return;
    if (!UpdateData(TRUE)) return;
    monitor::SetName(m_current, CStringA(m_typeText));
    m_current.width = m_width;
    m_current.height = m_height;
    m_current.dotPitch = m_dotPitch;
    m_presets[(size_t)index] = m_current;
    m_monitorCombo.DeleteString((UINT)index);
    m_monitorCombo.InsertString(index, CString(m_current.name));
    m_monitorCombo.SetCurSel(index);
    m_selectedIndex = index;
    ShowCurrent();
    m_changed = 1;
}

void CScreenSettingsDlg::OnDelete()
{
    int index = m_monitorCombo.GetCurSel();
    if (index < 0 || index >= (int)m_presets.size()) return;
    m_presets.erase(m_presets.begin() + index);
    m_monitorCombo.DeleteString((UINT)index);
    if (m_presets.empty()) {
        m_selectedIndex = -1;
        m_monitorCombo.SetCurSel(-1);
    } else {
        if (index >= (int)m_presets.size()) index = (int)m_presets.size() - 1;
        m_selectedIndex = index;
        m_monitorCombo.SetCurSel(index);
        m_current = m_presets[(size_t)index];
        ShowCurrent();
    }
    m_changed = 1;
}

void CScreenSettingsDlg::OnAccept()
{
    if (!UpdateData(TRUE)) return;
    int outer = OuterWidth();
    if (outer <= 0) return;
    double p = m_measuredWidth / outer;
    m_current = monitor::MakePreset(CStringA(m_typedType), (float)(::GetSystemMetrics(SM_CXSCREEN) * p),
                                    (float)(::GetSystemMetrics(SM_CYSCREEN) * p), (float)p);
    m_presets.push_back(m_current);
    int index = m_monitorCombo.AddString(CString(m_current.name));
    if (index < 0) index = (int)m_presets.size() - 1;
    m_monitorCombo.SetCurSel(index);
    m_selectedIndex = index;
    ShowCurrent();
    m_changed = 1;
}

void CScreenSettingsDlg::OnSave()
{
    m_changed = 0;
}

void CScreenSettingsDlg::RefreshMeasuredEdits()
{
    CDataExchange dx(this, FALSE);
    DDX_Text(&dx, IDC_DIAGONAL, m_diagonal);
    DDX_Text(&dx, IDC_MEASURED_WIDTH, m_measuredWidth);
    DDX_Text(&dx, IDC_MEASURED_HEIGHT, m_measuredHeight);
}

void CScreenSettingsDlg::OnSliderDraw(NMHDR*, LRESULT* result)
{
    *result = 0;
    m_sliderPos = m_slider.GetPos();
    m_diagonal = m_sliderPos / 100.0;
    double q = monitor::MillimetresPerPixel(m_diagonal, ::GetSystemMetrics(SM_CXSCREEN),
                                            ::GetSystemMetrics(SM_CYSCREEN));
    CRect r;
    GetWindowRect(&r);
    m_measuredWidth = r.Width() * q;
    m_measuredHeight = r.Height() * q;
    RefreshMeasuredEdits();
}

void CScreenSettingsDlg::OnClose()
{
    if (m_changed &&
        AfxMessageBox(_T("屏幕参数已被重新设定，是否保存新设定值？"), MB_YESNO) == IDYES) {
        SaveSettings();
        if (m_selectedIndex != m_loadedIndex)
            AfxMessageBox(_T("屏幕参数已经被改变，重新调入切片后才能生效！"), MB_OK);
    }
    m_changed = 0;
    EndDialog(IDCANCEL);
}

void CScreenSettingsDlg::OnCancel()
{
    // Escape closes the way the close box does.
    OnClose();
}

BEGIN_MESSAGE_MAP(CScreenSettingsDlg, CDialog)
    ON_CBN_SELCHANGE(IDC_EYEPIECE_COMBO, OnEyepieceChange)
    ON_CBN_SELCHANGE(IDC_MONITOR_COMBO, OnMonitorChange)
    ON_BN_CLICKED(IDC_MANUAL_MODE, OnManualMode)
    ON_BN_CLICKED(IDC_MODIFY, OnModify)
    ON_BN_CLICKED(IDC_DELETE, OnDelete)
    ON_BN_CLICKED(IDC_ACCEPT, OnAccept)
    ON_BN_CLICKED(IDC_SAVE, OnSave)
    ON_NOTIFY(NM_CUSTOMDRAW, IDC_DIAGONAL_SLIDER, OnSliderDraw)
    ON_WM_CLOSE()
END_MESSAGE_MAP()
