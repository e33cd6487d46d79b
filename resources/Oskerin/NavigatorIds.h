// Resource ids of the overview window.
#pragma once

#define IDD_NAVIGATOR 132
