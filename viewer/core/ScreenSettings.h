// The screen calibration dialog: which monitor the viewer runs on, how large
// its visible area is, and the eyepiece field number.
#pragma once

#include "Framework.h"
#include "FwControls.h"
#include "FwDataExchange.h"
#include "viewer/MonitorPresets.h"

#include <vector>

class CScreenSettingsDlg : public CDialog {
public:
    explicit CScreenSettingsDlg(CWnd* parent = nullptr);

    // Reads the registry; the list falls back to the built-in presets.
    void LoadSettings();
    // Writes the four values; clears the changed flag.
    void SaveSettings();

    MonitorPreset GetCurrentPreset() const { return m_current; }
    static float FieldNumberByIndex(int index) { return monitor::FieldNumberByIndex(index); }
    static int IndexOfFieldNumber(float value) { return monitor::IndexOfFieldNumber(value); }
    CString GetFieldNumberText(int index) const;
    // Chooses an eyepiece field number by its table index.
    void SetEyepieceIndex(int index);

    BOOL OnInitDialog() override;
    void OnCancel() override;

    CComboBox m_monitorCombo;
    CComboBox m_eyepieceCombo;
    CSliderCtrl m_slider;
    int m_manual = 0;
    CString m_typeText;
    float m_width = 0, m_height = 0, m_dotPitch = 0;
    CString m_sizeLabel;
    std::vector<MonitorPreset> m_presets;
    float m_fieldNumber = 0.22f;
    MonitorPreset m_current{};
    int m_loadedIndex = -1;
    int m_selectedIndex = -1;
    int m_eyepieceIndex = 0;
    CString m_fieldNumberTexts[monitor::kFieldNumberCount];
    int m_changed = 0;
    int m_sliderPos = 2200;
    double m_diagonal = 0;
    double m_measuredWidth = 0, m_measuredHeight = 0;
    CString m_typedType;

protected:
    void DoDataExchange(CDataExchange* dx) override;
    void OnEyepieceChange();
    void OnMonitorChange();
    void OnManualMode();
    void OnModify();
    void OnDelete();
    void OnAccept();
    void OnSave();
    void OnSliderDraw(NMHDR* nm, LRESULT* result);
    void OnClose();
    DECLARE_MESSAGE_MAP()

private:
    void ShowCurrent();
    void EnableManualControls(BOOL on);
    void RefreshMeasuredEdits();
    int OuterWidth() const;
};
