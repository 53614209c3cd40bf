#pragma once
// The numbered catalogue of every notice, warning, question and printer
// prompt, and the two routines that show them.
#include "appstate.h"
#include "prompter.h"

#include <functional>
#include <optional>

struct CatalogueEntry {
    QString title;
    QString text;
    MessageStyle style;
    bool centred = false;
};

// Title, text (placeholders filled from the state) and style of a code;
// nothing for a code that is not in the catalogue.
std::optional<CatalogueEntry> catalogueEntry(int code, const AppState &state);

inline const QString kAppTitle = QStringLiteral("Zentrix");

class Messenger {
public:
    Messenger(AppState &state, Prompter &prompter) : state_(state), prompter_(prompter) {}

    // Shows the catalogue message and returns the answer; None for an
    // unknown code, which shows nothing.
    Answer showCatalogMessage(int code);

    // Shows a free text; the pointer goes to the screen centre first.
    Answer showMessage(const QString &text, MessageStyle style, const QString &title = kAppTitle);

    // Run before any fingerprint-manager code (900 and above); the
    // fingerprint window clears its status panel here.
    void setBeforeFingerMessage(std::function<void()> hook) { beforeFinger_ = std::move(hook); }

    Prompter &prompter() { return prompter_; }

private:
    AppState &state_;
    Prompter &prompter_;
    std::function<void()> beforeFinger_;
};
