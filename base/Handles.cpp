#include "Handles.h"

#include <commctrl.h>

void ImageListTraits::Close(value_type h) {
    ::ImageList_Destroy(h);
}
