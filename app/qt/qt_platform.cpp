// Qt's side of the platform: modal boxes, the settings store, program end, focus.
#include "qt_platform.h"

#include "main_window.h"

#include <QApplication>
#include <QDateTime>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>

namespace kazuroi {

namespace {

QSettings store(const std::string& application) {
    const QString name = QString::fromStdString(application);
    return QSettings(QSettings::IniFormat, QSettings::UserScope, name, name);
}

QString settingPath(const std::string& section, const std::string& key) {
    return QString::fromStdString(section) + "/" + QString::fromStdString(key);
}

} // namespace

MessageResult QtPlatform::messageBox(const std::string& text, const std::string& title,
                                     MessageButtons buttons) {
    if (window_)
        window_->showModel(); // the screen shows what led to the box
    QWidget* parent = window_ && window_->isVisible() ? window_ : nullptr;
    QMessageBox box(QMessageBox::NoIcon, QString::fromStdString(title),
                    QString::fromStdString(text), QMessageBox::NoButton, parent);
    QPushButton* yes = nullptr;
    if (buttons == MessageButtons::YesNo) {
        yes = box.addButton("はい", QMessageBox::YesRole);
        box.addButton("いいえ", QMessageBox::NoRole);
        box.setDefaultButton(yes);
    } else {
        box.setDefaultButton(box.addButton("OK", QMessageBox::AcceptRole));
    }
    ++modalDepth_;
    box.exec();
    --modalDepth_;
    if (buttons == MessageButtons::Ok)
        return MessageResult::Ok;
    return box.clickedButton() == yes ? MessageResult::Yes : MessageResult::No;
}

void QtPlatform::endProgram() {
    ended_ = true;
    if (window_)
        window_->shutDown();
    QCoreApplication::exit(0);
}

std::optional<std::string> QtPlatform::readSetting(const std::string& application,
                                                   const std::string& section,
                                                   const std::string& key) {
    const QVariant value = store(application).value(settingPath(section, key));
    if (!value.isValid())
        return std::nullopt;
    // An unquoted comma makes QSettings read a list; the game wants the text as written.
    if (value.typeId() == QMetaType::QStringList)
        return value.toStringList().join(",").toStdString();
    return value.toString().toStdString();
}

void QtPlatform::writeSetting(const std::string& application, const std::string& section,
                              const std::string& key, const std::string& value) {
    if (ended_)
        return;
    QSettings settings = store(application);
    settings.setValue(settingPath(section, key), QString::fromStdString(value));
    settings.sync(); // an unwritable store is not reported: the game keeps no other state
}

void QtPlatform::seedRandomFromClock() {
    random_.seed(static_cast<std::uint32_t>(QDateTime::currentMSecsSinceEpoch()));
}

void QtPlatform::setFocus(const Control& control) {
    if (window_)
        window_->focusControl(control);
}

float QtPlatform::outerHeight() const {
    return window_ ? window_->outerHeightTwips() : 0.0f;
}

} // namespace kazuroi
