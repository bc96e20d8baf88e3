// SPDX-License-Identifier: GPL-3.0-or-later
// Must not compile: a front end that drops the Status of a change.
#include "kestramo/vault.h"

void Probe(kestramo::api::Vault& vault) { vault.NewBox({"Papers"}); }
