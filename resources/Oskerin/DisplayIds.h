// Resource ids of the image display window.
#pragma once

#define IDC_DISPLAY_HAND         130
#define IDC_DISPLAY_GRAB         131
