// Qt's side of the platform: modal boxes, the settings file, program end, focus.
#include "qt_platform.h"

#include "main_window.h"

#include <QApplication>
#include <QDateTime>
#include <QFontInfo>
#include <QGridLayout>
#include <QMessageBox>
#include <QPushButton>

#include <algorithm>
#include <iostream>

namespace kazuroi {

namespace {

// A box sizes itself for its text and buttons, but the window manager draws the title in its own,
// often bolder and bigger, font beside its own buttons and cuts it short where it lacks room: the
// box is made wide enough for the title at one and a half times the window's font, in bold, with
// room for those buttons.
void widenForTitle(QMessageBox& box) {
    constexpr int kTitleBarButtons = 160;
    QFont font = box.font();
    font.setBold(true);
    font.setPixelSize(std::max(16, QFontInfo(font).pixelSize() * 3 / 2));
    const int wanted = QFontMetrics(font).horizontalAdvance(box.windowTitle()) + kTitleBarButtons;
    if (auto* grid = qobject_cast<QGridLayout*>(box.layout()))
        grid->addItem(new QSpacerItem(wanted, 0, QSizePolicy::Minimum, QSizePolicy::Fixed),
                      grid->rowCount(), 0, 1, grid->columnCount());
}

} // namespace

MessageResult QtPlatform::messageBox(const std::string& text, const std::string& title,
                                     MessageButtons buttons) {
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
    widenForTitle(box);
    box.exec();
    if (buttons == MessageButtons::Ok)
        return MessageResult::Ok;
    return box.clickedButton() == yes ? MessageResult::Yes : MessageResult::No;
}

void QtPlatform::endProgram() {
    if (window_)
        window_->shutDown();
    QCoreApplication::exit(0);
}

SettingsFile& QtPlatform::store(const std::string& application) {
    auto it = stores_.find(application);
    if (it == stores_.end())
        it = stores_.emplace(application, SettingsFile(SettingsFile::pathFor(application))).first;
    return it->second;
}

// A file that cannot be read is said at once, in one line: the game would otherwise open at its
// default place for no reason given, and store nothing at the close.
std::optional<std::string> QtPlatform::readSetting(const std::string& application,
                                                   const std::string& section,
                                                   const std::string& key) {
    SettingsFile& file = store(application);
    auto value = file.read(section, key);
    if (!file.unreadable().empty() && told_.insert(application).second)
        std::cerr << "kazuroi: " << file.path() << " is not read (" << file.unreadable()
                  << "); the window opens at its default place and the file is left as it is\n";
    return value;
}

void QtPlatform::writeSetting(const std::string& application, const std::string& section,
                              const std::string& key, const std::string& value) {
    SettingValues& values = unsaved_[application][section];
    for (auto& [k, v] : values)
        if (k == key) {
            v = value;
            return;
        }
    values.emplace_back(key, value);
}

// A store that cannot be written is not the player's concern (the game keeps nothing else), but
// whoever runs it from a terminal learns why the position was not kept.
void QtPlatform::commitSettings() {
    for (const auto& [application, sections] : unsaved_)
        for (const auto& [section, values] : sections)
            if (const auto saved = store(application).write(section, values);
                !saved.failure.empty() && !told_.count(application))
                std::cerr << "kazuroi: the window position was not stored: " << saved.failure
                          << '\n';
            else if (saved.rewrittenByQSettings)
                std::cerr << "kazuroi: QSettings rewrote " << store(application).path()
                          << " in its own way to store the window position: every value is "
                             "kept, but not its comments, blank lines or order\n";
    unsaved_.clear();
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

void QtPlatform::showControl(int, const Control& control) {
    if (window_)
        window_->showControl(control);
}

void QtPlatform::runTimer(int index, const Timer&, int interval) {
    if (window_)
        window_->runTimer(index, interval);
}

} // namespace kazuroi
