#pragma once
// UxNum: the model and the set or channel number asked before every file
// or printer operation. Modeless; the caller waits in the event loop while
// the number holds its waiting value (ask() does both).
#include "unit/unitselection.h"
#include "unit/unittransfer.h"

#include <QWidget>

#include <optional>

class AppContext;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QScrollBar;

namespace unit {

class UxNumDialog : public QWidget {
    Q_OBJECT
public:
    // Texts by the current tool state (810..850).
    UxNumDialog(AppContext &ctx, QWidget *parent = nullptr);

    // Shows the dialog and waits until it is answered; nothing when it was
    // cancelled or closed. The tool state is 800 afterwards.
    static std::optional<Chosen> ask(AppContext &ctx, QWidget *parent);

    Purpose purpose() const { return texts_.purpose; }
    // The waiting value while open, then the number or the cancel value.
    int number() const { return number_; }
    Model model() const { return model_; }

signals:
    // On closing, however it closes: the number (or cancel value) and model.
    void answered(int number, unit::Model model);

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void onModel();
    void accept();
    void cancel();

    AppContext &ctx_;
    SelectionTexts texts_;
    int number_;
    Model model_ = Model::None;
    QRadioButton *option1_ = nullptr;
    QRadioButton *option2_ = nullptr;
    QLineEdit *text1_ = nullptr;
    QScrollBar *upDown1_ = nullptr;
    QPushButton *ok_ = nullptr;
    QPushButton *cancel_ = nullptr;
};

} // namespace unit
