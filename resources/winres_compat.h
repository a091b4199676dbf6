// windres does not define IDC_STATIC; resource scripts use it for labels.
#pragma once
#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif
