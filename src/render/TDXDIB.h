#pragma once
#include "render/TDIB.h"

// A bitmap holder component: it owns exactly one TDIB, which lives as long as
// the holder does, so textures made from it may keep pointing at it.
class TDXDIB {
public:
    TDIB& DIB() { return dib_; }
    const TDIB& DIB() const { return dib_; }

private:
    TDIB dib_;
};
