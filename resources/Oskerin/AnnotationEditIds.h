// Resource ids of the annotation tool box (ids are per dialog: 1021 is also
// the about box's version text).
#pragma once

#define IDD_ANNOTATION_EDIT      148
#define IDC_EDIT_TOGGLE          1021
#define IDC_EDIT_FONT            1022
#define IDC_EDIT_TEXT_COLOUR     1023
#define IDC_EDIT_BORDER_COLOUR   1024
#define IDC_EDIT_BACK_COLOUR     1025
#define IDC_EDIT_KIND            1026
#define IDC_EDIT_SAVE            1027
#define IDC_EDIT_LOAD            1028
