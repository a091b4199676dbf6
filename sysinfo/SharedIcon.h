// An icon shared by the copies of one record. Records (services, application
// windows) are copied by value between owners and threads; the icon they carry
// is never changed after it was loaded, so the copies share one handle and the
// last copy to go destroys it.
#pragma once

#include <windows.h>

#include <memory>

#include "base/Handles.h"

class SharedIcon {
public:
    SharedIcon() = default;
    // Takes ownership of icon (may be null).
    explicit SharedIcon(HICON icon) { reset(icon); }

    HICON get() const { return owner_ ? owner_->get() : nullptr; }
    explicit operator bool() const { return get() != nullptr; }
    // Drops this copy's share and, unless icon is null, owns icon instead.
    void reset(HICON icon = nullptr) {
        if (icon)
            owner_ = std::make_shared<IconHandle>(icon);
        else
            owner_.reset();
    }
    // A handle the caller owns (e.g. for an image list that destroys it).
    HICON Duplicate() const { return get() ? ::CopyIcon(get()) : nullptr; }

private:
    std::shared_ptr<IconHandle> owner_;
};
