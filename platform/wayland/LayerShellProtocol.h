#pragma once

// The layer-shell protocol's client code, as wayland-scanner generates it from the protocol
// as published. The protocol names an argument "namespace", a keyword of C++: the generated
// header is read with another word for it (what it includes is read before, as it is).
#include <wayland-client.h>

#define namespace name_space
#include "layer-shell-client.h"
#undef namespace
