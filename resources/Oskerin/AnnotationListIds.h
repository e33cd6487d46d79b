// Resource ids of the annotation list dialog.
#pragma once

#define IDD_ANNOTATION_LIST      149
#define IDC_ANNOTATION_LIST      1029
