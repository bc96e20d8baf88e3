// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

namespace kestramo::api {

// A picture field holds the encoded picture as opaque bytes; identical pictures share one buffer.
using PictureBytes = std::vector<uint8_t>;
using Picture = std::shared_ptr<const PictureBytes>;

}  // namespace kestramo::api
