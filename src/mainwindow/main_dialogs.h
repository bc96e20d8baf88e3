// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>
#include <memory>

#include "dialogs/frm_about.h"
#include "dialogs/frm_comment.h"
#include "dialogs/frm_confirm.h"
#include "dialogs/frm_find.h"
#include "dialogs/frm_login.h"
#include "dialogs/frm_new.h"
#include "dialogs/frm_note.h"
#include "dialogs/frm_password.h"
#include "dialogs/frm_select_dir.h"
#include "dialogs/frm_status.h"

namespace kestramo {

// The dialogs of the main window, created once after it and living as long as it does.
struct MainDialogs {
  MainDialogs(QWidget* main, api::Vault& vault, api::ShellInfo& shell, std::function<void()> refreshMainView)
      : status(std::make_unique<FrmStatus>(main)),
        comment(std::make_unique<FrmComment>(main)),
        confirm(std::make_unique<FrmConfirm>(main)),
        login(std::make_unique<FrmLogin>(main)),
        newBox(std::make_unique<FrmNew>(main)),
        password(std::make_unique<FrmPassword>(main)),
        selectDir(std::make_unique<FrmSelectDir>(main)),
        find(std::make_unique<FrmFind>(vault, shell, *status, *selectDir, *confirm, *comment,
                                       std::move(refreshMainView), main)),
        about(std::make_unique<FrmAbout>(main)),
        note(std::make_unique<FrmNote>(main)) {}

  std::unique_ptr<FrmStatus> status;
  std::unique_ptr<FrmComment> comment;
  std::unique_ptr<FrmConfirm> confirm;
  std::unique_ptr<FrmLogin> login;
  std::unique_ptr<FrmNew> newBox;
  std::unique_ptr<FrmPassword> password;
  std::unique_ptr<FrmSelectDir> selectDir;
  std::unique_ptr<FrmFind> find;
  std::unique_ptr<FrmAbout> about;
  std::unique_ptr<FrmNote> note;
};

}  // namespace kestramo
