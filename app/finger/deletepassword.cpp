#include "deletepassword.h"

#include "base/messagecatalogue.h"
#include "fingerfiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>

namespace {

const QString kGroup = QStringLiteral("Settings");
const QString kKey = QStringLiteral("LoginF");

} // namespace

PasswordEntry::PasswordEntry(Mode mode, QString password, Messenger &messenger)
    : mode_(mode), password_(std::move(password)), messenger_(messenger)
{
    if (mode_ == Mode::Setting) {
        prompt_.caption = kAppTitle;
        prompt_.prompt = QStringLiteral("[指紋の消去] 時に確認するﾊﾟｽﾜｰﾄﾞを入力して下さい。");
        prompt_.text = password_;
        entered_ = password_;
    } else {
        prompt_.caption = QStringLiteral("ﾊﾟｽﾜｰﾄﾞの設定");
        prompt_.prompt = QStringLiteral("ﾊﾟｽﾜｰﾄﾞ");
    }
}

bool PasswordEntry::accept(const QString &boxText)
{
    if (closed_)
        return true;
    if (mode_ == Mode::Setting) {
        entered_ = boxText;
        closed_ = true;
        return true;
    }
    if (boxText == password_) {
        checkResult_ = true;
        closed_ = true;
        return true;
    }
    if (!retry_) {
        messenger_.showMessage(QStringLiteral("ﾊﾟｽﾜｰﾄﾞが正しくありません。もう一度入力して下さい。"),
                               Icon::Exclamation);
        retry_ = true;
        prompt_.text = boxText;
        prompt_.selectAll = true;
        return false;
    }
    messenger_.showMessage(QStringLiteral("ﾊﾟｽﾜｰﾄﾞが正しくありません。消去を中止します。"), Icon::Critical);
    retry_ = false;
    checkResult_ = false;
    closed_ = true;
    return true;
}

void PasswordEntry::run(const PasswordInput &input)
{
    while (!closed_) {
        const std::optional<QString> box = input(prompt_);
        if (!box)
            cancel();
        else
            accept(*box);
    }
}

DeletePassword DeletePassword::load()
{
    QSettings settings;
    settings.beginGroup(kGroup);
    return DeletePassword(settings.value(kKey).toString());
}

bool DeletePassword::save(Messenger &messenger) const
{
    QSettings settings;
    const QString file = settings.fileName();
    // The settings are rewritten through a file set aside, which keeps the
    // permissions of the one it replaces: start that one private.
    if (!QFileInfo::exists(file)) {
        QDir().mkpath(QFileInfo(file).absolutePath());
        QFile f(file);
        if (f.open(QIODevice::WriteOnly | QIODevice::NewOnly, FingerFiles::kFilePermissions))
            f.close();
    }
    QFile::setPermissions(file, FingerFiles::kFilePermissions);
    settings.beginGroup(kGroup);
    settings.setValue(kKey, text_);
    settings.endGroup();
    settings.sync();
    QFile::setPermissions(file, FingerFiles::kFilePermissions);
    if (settings.status() != QSettings::NoError) {
        messenger.showMessage(QStringLiteral("ﾊﾟｽﾜｰﾄﾞを設定ファイルに保存できません。") + QStringLiteral("\r\n") + file,
                              Icon::Exclamation);
        return false;
    }
    return true;
}

void DeletePassword::change(Messenger &messenger, const PasswordInput &input)
{
    PasswordEntry entry(PasswordEntry::Mode::Setting, text_, messenger);
    entry.run(input);
    text_ = entry.enteredText();
}

bool DeletePassword::confirmDeletion(Messenger &messenger, const PasswordInput &input) const
{
    if (!asksBeforeDeletion())
        return true;
    PasswordEntry entry(PasswordEntry::Mode::Check, text_, messenger);
    entry.run(input);
    return entry.checkResult();
}
