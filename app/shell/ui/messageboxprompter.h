#pragma once
#include "base/prompter.h"

class QWidget;

// Shows requests as QMessageBox with the standard buttons (Japanese
// captions come from Qt's own translation).
class MessageBoxPrompter : public Prompter {
public:
    Answer ask(const PromptRequest &request) override;
};
