// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The text helpers are part of the public interface; storage code keeps including them here.
#include "kestramo/text.h"
