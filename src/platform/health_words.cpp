// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/health_words.h"

namespace kestramo {

std::string ProblemText(const api::ItemFinding& f) {
  switch (f.problem) {
    case api::ItemProblem::Missing: return "its file " + f.detail + " is missing";
    case api::ItemProblem::Unreadable: return f.detail.empty() ? "its file cannot be read" : f.detail;
    case api::ItemProblem::Damaged: return "it is damaged (" + f.detail + ")";
    case api::ItemProblem::NotThisItem: return "its file is not this item's: " + f.detail;
    case api::ItemProblem::NoRoom: return "no room in temp/ to check it";
    case api::ItemProblem::TempUnusable: return "temp/ cannot take its files: " + f.detail;
  }
  return f.detail;
}

}  // namespace kestramo
