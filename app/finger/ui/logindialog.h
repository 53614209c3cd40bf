#pragma once
// Login: the box for the delete password, in the mode the caller chose
// (the prompt says which). Characters show as "*".
#include "finger/deletepassword.h"

class QWidget;

namespace logindialog {

// Shows the prompt modally; the box contents at OK (or Enter), nothing at
// Cancel or the close box.
std::optional<QString> ask(QWidget *parent, const PasswordPrompt &prompt);

} // namespace logindialog
