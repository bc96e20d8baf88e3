// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace kestramo::api {

// Classic: the original format, which only keeps out the program's users. Hardened: keys
// from a passphrase and authenticated encryption, which keep out whoever copies the folder.
enum class Format { Classic, Hardened };

}  // namespace kestramo::api
