#pragma once
// FingerNum: the two user IDs of a new registrant (registration) or the
// slip a ticket test prints (ticket test). Modal; OK checks the IDs
// against the table and stays open on a refusal.
#include <QDialog>

#include <array>
#include <optional>

class FingerUsers;
class Messenger;
class QLabel;
class QLineEdit;
class QPushButton;

class FingerNumDialog : public QDialog {
    Q_OBJECT
public:
    enum class Mode { Registration, TicketTest };
    // The slip numbers the up-down offers.
    static constexpr int kFirstSlip = 1;
    static constexpr int kLastSlip = 4;

    FingerNumDialog(Mode mode, const FingerUsers &users, Messenger &messenger, QWidget *parent = nullptr);

    // 1 after a valid OK, 2 after Cancel (or the close box).
    int resultFlag() const { return flag_; }
    // The checked IDs (registration).
    const std::array<QByteArray, 2> &ids() const { return ids_; }
    // The slip number in the box; 0 when it holds no number (ticket test).
    int choice() const;

    // Opens the dialog and waits; nothing after Cancel.
    static std::optional<std::array<QByteArray, 2>> askIds(const FingerUsers &users, Messenger &messenger,
                                                           QWidget *parent);
    static std::optional<int> askChoice(const FingerUsers &users, Messenger &messenger, QWidget *parent);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void reject() override;

private:
    void accept() override;
    void step(int by);
    static void setTextColour(QLineEdit *box, const QColor &colour);

    Mode mode_;
    const FingerUsers &users_;
    Messenger &messenger_;
    int flag_ = 2;
    std::array<QByteArray, 2> ids_;
    QLabel *prompt_ = nullptr;             // Label1
    std::array<QLineEdit *, 2> idBoxes_{}; // Text2(0), Text2(1)
    QLineEdit *number_ = nullptr;          // Text1
    QPushButton *ok_ = nullptr;            // Command1
    QPushButton *cancel_ = nullptr;        // Command2
};
