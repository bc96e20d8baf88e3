// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include "kestramo/health.h"
#include "kestramo/vault.h"

namespace kestramo {

class FrmStatus;

// Checks every item of the vault on a worker thread while `status` shows which item is
// under way, with Cancel; returns once the check has ended or was stopped.
api::VaultHealth RunHealthCheck(FrmStatus& status, api::Vault& vault);

// The report the desktop program shows after a check.
QString HealthReport(const api::VaultHealth& health);

}  // namespace kestramo
