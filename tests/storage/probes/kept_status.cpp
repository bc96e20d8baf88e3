// SPDX-License-Identifier: GPL-3.0-or-later
// Must compile: the same call with its Status looked at.
#include "kestramo/vault.h"

bool Probe(kestramo::api::Vault& vault) { return vault.NewBox({"Papers"}).ok(); }
