#!/usr/bin/env python3
"""Plausible single faults put into a copy of the source one at a time: how many does the suite
catch? Each fault is a small edit a developer could make by mistake. The unchanged copy must pass
first. A fault is caught when a test fails on its own check (an assertion, a crash), and again
when the failed tests run once more; it is missed when everything passes. A run that ends in a
time-out, or without a tool it needs, tells nothing of the fault: it is run once more, and if it
tells nothing again the fault is counted as unsure, neither caught nor missed. A fault that does
not build is left out of the count.

A fault in web/ is met by the page's tests (headless Chromium), any other by the everyday suite.

Usage: tests/tools/mutate.py [--check] [--only TEXT] [--last N] [--jobs N]
  --check      only check that every fault's text is found exactly once in the source
  --only TEXT  only the faults whose file or description contains TEXT
  --last N     only the last N faults of the list (the newest)
Runs in a copy of the working tree under /tmp, so the tree itself is never touched; needs the
packages ./dev test installs. Prints one line per fault and the totals.
"""
import argparse
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))

# (file, text as it stands, text with the fault, what the fault breaks)
FAULTS = [
    # Question setting
    ("game/stage/question.cpp", "for (int i = 0; i < kSlots; ++i)\n        emptySlot(i);",
     "for (int i = 0; i < kDigitSlots; ++i)\n        emptySlot(i);", "a new question leaves the result slots"),
    ("game/stage/question.cpp", "    lbl正誤.Visible = false;\n    cmd出題.Enabled = false;",
     "    cmd出題.Enabled = false;", "a new question keeps the judgement shown"),
    ("game/stage/question.cpp", "    cmd出題.Enabled = false;\n    frm", "    frm",
     "次の問題 stays enabled during a question"),
    ("game/stage/question.cpp", "    frmステージクリア.Visible = false;\n", "",
     "the stage-clear panel stays after a new question"),
    ("game/stage/question.cpp", "    SelectedCount = 0;\n    sub演算子", "    sub演算子",
     "a new question keeps the selection count"),
    ("game/stage/question.cpp", "    cmdやり直し.Enabled = true;\n", "", "redo not offered again"),
    ("game/stage/question.cpp", "text += i < filled ?", "text += i <= filled ?", "one star too many"),
    ("game/stage/question.cpp", "StageIndex > kFinalStage ?", "StageIndex >= kFinalStage ?",
     "the Final Stage shows the Extra Stage's stars"),
    ("game/stage/question.cpp", "std::min(digit, 9.0)", "digit", "r = 0 draws a 10"),
    ("game/stage/question.cpp", "(stage.ZeroWeight + 9.0)", "(stage.ZeroWeight + 10.0)",
     "digit weights off by one"),
    ("game/stage/question.cpp", "stage.MinLevel + 1;", "stage.MinLevel;",
     "the stage's top level never drawn"),
    ("game/stage/question.cpp", "        tim制限時間タイマ.Enabled = true;\n        shp", "        shp",
     "the clock not started for a new question"),
    ("game/stage/question.cpp", "        shp制限時間表示枠.Visible = true;\n", "",
     "the time bar's track not shown"),
    ("game/stage/stage_table.cpp", '{"Stage 3", 0.5, 2, 3}', '{"Stage 3", 0.5, 1, 3}',
     "Stage 3 asks level 1"),
    ("game/stage/stage_table.cpp", "{kTrue, 10, -15, 200}", "{kTrue, 10, -5, 200}",
     "the Extra Stage drains 5"),
    # Board
    ("game/board/selection.cpp", "    cmd数字[slot].BackColor = kButtonFace;\n", "",
     "an emptied slot keeps its colour"),
    ("game/board/selection.cpp", "    cmd数字[slot].Enabled = true;\n", "",
     "an emptied slot stays disabled"),
    ("game/board/selection.cpp", "    cmd数字[slot].Caption = \"\";\n", "",
     "an emptied slot keeps its caption"),
    ("game/board/selection.cpp", "    cmd数字[slot].Visible = false;\n", "",
     "an emptied slot stays shown"),
    ("game/board/selection.cpp", "if (Index == kResultSlot)", "if (Index == kSecondResultSlot)",
     "letting go of slot 5 offers the digits"),
    ("game/board/selection.cpp", "if (inPlay(j) && !selected(j))", "if (inPlay(j))",
     "a selected digit counted as free"),
    ("game/board/selection.cpp", "    addToSelectedCount(-1);", "    addToSelectedCount(+1);",
     "deselecting counts up"),
    ("game/board/operators.cpp", "if (i >= kResultSlot)", "if (i > kResultSlot)",
     "a consumed slot 4 keeps its caption"),
    ("game/board/operators.cpp", "if (i == kSecondResultSlot)\n            cmd数字[i].Visible = false;",
     "if (i == kResultSlot)\n            cmd数字[i].Visible = false;", "the wrong result slot hidden"),
    ("game/board/operators.cpp", "if (first.value < second.value)", "if (first.value <= second.value)",
     "equal values written higher slot first"),
    ("game/board/operators.cpp", "p.larger + kMinus + fnc加減算の括弧付け(p.smaller)",
     "p.larger + kMinus + p.smaller", "a difference of a sum not bracketed"),
    ("game/board/operators.cpp", "kDivide + fnc四則演算の括弧付け(p.smaller)",
     "kDivide + fnc加減算の括弧付け(p.smaller)", "a divisor's product not bracketed"),
    ("game/board/operators.cpp", "(first ? \"\" : kTimes) + fnc加減算の括弧付け(o.caption)",
     "(first ? \"\" : kTimes) + o.caption", "a product of a sum not bracketed"),
    ("game/board/operators.cpp", "free.size() == 1)", "free.size() >= 1)",
     "two free digits pre-selected"),
    ("game/board/operators.cpp", "        shp選択印[first].Visible = true;\n        SelectedCount = 2;",
     "        SelectedCount = 2;", "slot 4 not pre-selected beside slot 5"),
    ("game/board/operators.cpp", "return containsAny(text, {kMinus, kPlus}) ?",
     "return containsAny(text, {kMinus}) ?", "a sum not bracketed anywhere"),
    ("game/board/availability.cpp", "        cmd加算.Enabled = true;\n        cmd減算.Enabled = false;",
     "        cmd加算.Enabled = true;\n        cmd減算.Enabled = true;", "three may be subtracted"),
    ("game/board/availability.cpp", "if (a == 0 || b == 0)", "if (a == 0)", "dividing by 0 offered"),
    ("game/board/availability.cpp", "if (count == 0 || count == 1) {", "if (count == 0) {",
     "one number enables nothing, wrongly kept"),
    ("game/board/judgement.cpp", "    if (cmd数字[kSecondResultSlot].Visible)\n        return;\n", "",
     "judged while slot 5 is still to combine"),
    ("game/board/judgement.cpp", "SlotValues[kResultSlot] == 10", "SlotValues[kResultSlot] >= 10",
     "more than 10 judged right"),
    ("game/board/judgement.cpp", "        cmdやり直し.Enabled = false;\n        tim", "        tim",
     "a solved question may be redone"),
    ("game/board/judgement.cpp", "        tim制限時間タイマ.Enabled = false;\n        sub", "        sub",
     "the clock runs on after a right answer"),
    ("game/board/judgement.cpp", "        lbl正誤.ForeColor = kGreen;", "        lbl正誤.ForeColor = kRed;",
     "a right answer in red"),
    ("game/board/judgement.cpp", "        platform_.setFocus(cmdやり直し);\n", "",
     "no focus on redo after a wrong answer"),
    ("game/board/judgement.cpp", "    answer.Enabled = false;\n", "", "the judged answer stays live"),
    ("game/board/judgement.cpp", "SolvedCount >= kQuestionsPerStage", "SolvedCount > kQuestionsPerStage",
     "21 answers to clear a stage"),
    ("game/board/judgement.cpp", "        cmd数字[i].Enabled = true;\n        shp選択印[i].Visible = false;\n    }",
     "        cmd数字[i].Enabled = true;\n    }", "redo keeps the digits' rings"),
    ("game/board/judgement.cpp", "        emptySlot(i);\n    lbl正誤.Visible = false;", "        emptySlot(i);",
     "redo keeps the judgement shown"),
    ("game/board/judgement.cpp", "    NoRedoUsed = kFalse;\n", "", "redo does not cost the Extra Stage"),
    # Time limit and stage clear
    ("game/progress/time_limit.cpp", "if (bar.Width < kRedBelow)", "if (bar.Width <= kRedBelow)",
     "red one twip early"),
    ("game/progress/time_limit.cpp", "c += 5u << shift;", "c += 4u << shift;", "colours fade by 4"),
    ("game/progress/time_limit.cpp", "BlinkPhase > kLastHiddenPhase", "BlinkPhase >= kLastHiddenPhase",
     "the blink hides one phase less"),
    ("game/progress/time_limit.cpp", "if (solved > 15)", "if (solved >= 15)", "the wrong time-out remark"),
    ("game/progress/time_limit.cpp", "if (int(TimeLeft) + int(amount) > full)",
     "if (int(TimeLeft) + int(amount) > full + 100)", "the bonus overfills the bar"),
    ("game/progress/time_limit.cpp", "} else if (TickCountdown >= 1) {", "} else if (TickCountdown > 1) {",
     "a drain every tenth tick"),
    ("game/progress/time_limit.cpp", "double(bar.Width) + kRefillSlack", "double(bar.Width) - kRefillSlack",
     "the Extra refill ends late"),
    ("game/progress/time_limit.cpp", "if (w < kTimeOutBelow) {", "if (w <= kTimeOutBelow) {",
     "time-out one twip early"),
    ("game/progress/stage_clear.cpp", "AnimationStep = -23;", "AnimationStep = -22;",
     "the panel starts a step late"),
    ("game/progress/stage_clear.cpp", "SolvedCount = kQuestionsPerStage - 1;",
     "SolvedCount = 0;", "the Extra Stage needs twenty answers"),
    ("game/progress/stage_clear.cpp", "if (StageIndex < kExtraStage) {", "if (StageIndex <= kExtraStage) {",
     "no Extra Stage after the Final Stage"),
    ("game/progress/stage_clear.cpp", '"要らんって？ ^^;"', '"要らんって？^^;"', "a remark's text changed"),
    # Start-up and numbers
    ("game/startup.cpp", 'value_or("100")', 'value_or("0")', "nothing stored opens at 0"),
    ("game/startup.cpp", "* 0.7);", "* 0.75);", "the bar starts at 75 %"),
    ("game/startup.cpp", "TickCountdown = 10;", "TickCountdown = 11;", "the first drain a tick late"),
    ("game/startup.cpp", "MessageResult::Yes ? 0 : 2;", "MessageResult::Yes ? 0 : 3;",
     "No starts at Stage 4"),
    ("game/numbers.cpp", 'digits : " " + digits;', "digits : digits;", "a stored number without its blank"),
    ("game/numbers.cpp", "(text[i] == ' ' || text[i] == '\\t')", "(text[i] == ' ')",
     "a stored number after a tab reads 0"),
    ("game/numbers.cpp", "(text[i] == '+' || text[i] == '-')", "(text[i] == '-')",
     "a stored number with a plus reads 0"),
    ("game/numbers.cpp", "std::nearbyint(value)", "std::round(value)", "halves rounded away from 0"),
    # Solver
    ("game/solver/level_rating.cpp", "{27, TEMPLATE(A * (B + C - D)),                          4, 0}",
     "{27, TEMPLATE(A * (B + C - D)),                          5, 0}", "a template's level"),
    ("game/solver/level_rating.cpp", "{ 4, TEMPLATE(A + B + e.mul(C, D)),                      2, 1}",
     "{ 4, TEMPLATE(A + B + e.mul(C, D)),                      2, 2}", "a template's zero level"),
    ("game/solver/level_rating.cpp", "{3, 4, 6, 6}}", "{3, 4, 6, 7}}", "a special set"),
    ("game/solver/level_rating.cpp", "(x < 0) != (y < 0) ? -q : q", "x < 0 ? -q : q",
     "a quotient's sign"),
    ("game/solver/level_rating.cpp", "anyOrder && lowest < n ?", "lowest < n ?",
     "every table of orderings taken as all arrangements"),
    ("game/solver/orderings.cpp", "for (int i = j - 1; i >= k; --i)", "for (int i = j - 1; i > k; --i)",
     "the orderings' rotation"),
    # The layout
    ("game/form1.cpp", '"☆☆☆☆☆", kLevel, kButtonFace, kOrange,', '"☆☆☆☆☆", kLevel, kButtonFace, kButtonText,',
     "the stars not orange"),
    ("game/form1.cpp", '"次の問題 》", kCommand,', '"次の問題 》", kTitle,', "次の問題 in the title's font"),
    ("game/form1.cpp", '"○やり直し", kJudgement, kButtonFace, kButtonText, Align::Right,',
     '"○やり直し", kJudgement, kButtonFace, kButtonText, Align::Left,', "the judgement left-aligned"),
    ("game/form1.cpp", 'const FontSpec kStageClear{"ＭＳ Ｐゴシック", 36, 400, 128};',
     'const FontSpec kStageClear{"ＭＳ Ｐゴシック", 32, 400, 128};', "the panel's font size"),
    ("game/form1.cpp", "constexpr Colour kYellowText = 0x00FFFF;", "constexpr Colour kYellowText = 0x00FF00;",
     "the panel's shadow colour"),
    ("game/form1.cpp", "for (const Control* c = &control; c != nullptr; c = c->Container)",
     "for (const Control* c = &control; c == &control; c = c->Container)",
     "a control in a hidden frame takes input"),
    # Script driver
    ("script/script_runner.cpp", "*stage < 0 || *stage > kExtraStage", "*stage < 0 || *stage > kFinalStage",
     "question refuses the Extra Stage"),
    ("script/script_runner.cpp", "*ms < 0 || *ms > kMaxWait", "*ms < 0 || *ms >= kMaxWait",
     "wait refuses its own limit"),
    ("script/script_runner.cpp", "*n < 0 || *n > kMaxTicks", "*n < 0 || *n > kMaxTicks + 1",
     "tick allows one past its limit"),
    ("script/script_runner.cpp", "if (!v || *v < 0 || toSingle(*v) >= 1.0f)", "if (!v || *v < 0 || toSingle(*v) > 1.0f)",
     "random accepts 1"),
    ("script/script_text.cpp", "if (line.size() == kMaxLine)", "if (line.size() > kMaxLine)",
     "a line one byte over the limit accepted"),
    ("script/script_names.cpp", 'IntRef{&s.StageIndex, 0, kStageRows - 1, "a stage 0 to 6"}',
     'IntRef{&s.StageIndex, 0, kStageRows, "a stage 0 to 6"}', "StageIndex 7 accepted"),
    ("script/script_names.cpp", 'DoubleRef{&r.ZeroWeight, 0.0, 1.0,', 'DoubleRef{&r.ZeroWeight, -1.0, 1.0,',
     "a negative zero weight accepted"),
    ("script/script_names.cpp", 'IntRef{&form.SlotValues[i], 0, 9, "a digit 0 to 9"}',
     'IntRef{&form.SlotValues[i], 0, 10, "a digit 0 to 9"}', "a digit 10 accepted"),
    ("script/script_names.cpp", "if (!v || *v < 0)\n            bad(\"a count of milliseconds\");",
     "if (!v)\n            bad(\"a count of milliseconds\");", "a negative interval accepted"),
    ("script/script_runner.cpp", "            f.StageRecords = before.stageRecords;\n", "",
     "a refused change to the stages left in place"),
    # Settings store
    ("qt/settings_file.cpp", "            mode = old->st_mode & 07777;", "            mode = 0644;",
     "the file's mode not kept"),
    ("qt/settings_file.cpp", "        if (st.st_uid != ::geteuid())\n", "        if (false)\n",
     "another's file replaced"),
    ("qt/settings_file.cpp", "if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))",
     "if (true)", "a link replaced by a file"),
    ("qt/settings_file.h", "kMaxSize = 1LL << 20;", "kMaxSize = 16LL << 20;",
     "a file of 2 MiB taken for settings"),
    ("qt/settings_file.cpp", "if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode))",
     "if (::fstat(fd.get(), &st) != 0)", "a FIFO or device read"),
    ("qt/settings_file.cpp", "        if (made_ && !renamed_)\n            ::unlink(path_.c_str());", "",
     "a failed save leaves its new file"),
    ("qt/settings_file.cpp", "while (::flock(fd_.get(), LOCK_EX | LOCK_NB) != 0) {",
     "while (::flock(fd_.get(), LOCK_EX) != 0) {", "a held lock waited for without end"),
    ("qt/settings_file.cpp", "            ::unlinkat(lock.folder(), entry->d_name, 0);", "            continue;",
     "what a killed save left is never removed"),
    ("qt/settings_file.cpp", "std::chrono::milliseconds(0));\n    if (!lock.why().empty())\n        return;",
     "std::chrono::milliseconds(0));", "another save's new file removed under it"),
    ("qt/settings_file.cpp", "std::strncmp(entry->d_name, prefix.c_str(), prefix.size()) == 0",
     "std::strncmp(entry->d_name, prefix.c_str(), prefix.size() - 8) == 0",
     "another program's file beside the settings removed"),
    ("qt/settings_file.cpp", "if (readIni(file.fd(), file.path()) != meant) {", "if (false) {",
     "a file QSettings reads otherwise saved unchecked"),
    ("qt/settings_file.cpp", "        rewritten = true;\n", "", "QSettings' rewrite not told"),
    ("qt/ini_text.cpp", "            if (i < size) {\n                const char next", "            if (false) {\n                const char next",
     "an escaped line end ends the line"),
    ("qt/ini_text.cpp", "        } else if (c == '\\n' || c == '\\r') {\n            if (!quoted) {",
     "        } else if (c == '\\n' || c == '\\r') {\n            if (true) {", "a quoted line end ends the line"),
    ("qt/ini_text.cpp", "            if (i == start + 1) {\n                while", "            if (false) {\n                while",
     "a comment read as a line, its backslash continuing it"),
    ("qt/ini_text.cpp", "const bool wide = name[i + 1] == 'U';", "const bool wide = false;",
     "%U escapes in names not read"),
    ("qt/ini_text.cpp", "    if (begin < text.size())\n        records.push_back", "    if (false)\n        records.push_back",
     "a last line without its line end dropped"),
    ("qt/ini_text.cpp", "return record.inSection == section ? key : section + \"\\\\\" + key;", "return key;",
     "a key of the section written in General moved into General's own"),
    ("qt/ini_text.cpp", "std::string style = \"\\n\"; // new lines end as the file's first line does",
     "std::string style = \"\\r\\n\"; // new lines end as the file's first line does", "new lines always CR LF"),
    ("qt/ini_text.cpp", "return text.rfind(kByteOrderMark, 0) == 0 ? kByteOrderMark.size() : 0;",
     "return 0;", "a byte-order mark read as part of the first line"),
    ("qt/ini_text.cpp", "        if (end.ending.empty())\n            out += style;\n", "",
     "a new section glued to a last line without its end"),
    ("qt/ini_text.cpp", "std::string body = value.rfind('@', 0) == 0 ? \"@\" : \"\";",
     "std::string body;", "a leading @ not doubled"),
    # Where the window is kept
    ("qt/main_window.cpp", "game_.close(pos() != placedAt_ ? std::optional<PixelPoint>({pos().x(), pos().y()})\n                                   : std::nullopt);",
     "game_.close(std::nullopt);", "where the player moved the window not stored"),
    ("qt/main_window.cpp", "std::optional<PixelPoint>({pos().x(), pos().y()})", "std::optional<PixelPoint>({pos().x(), pos().x()})",
     "a moved window's x stored as its Top"),
    ("qt/main_window.cpp", "screen->availableGeometry().intersects(window);", "screen->availableGeometry().contains(window);",
     "a window partly off screen taken for one wholly off it"),
    ("qt/main_window.cpp", "        game_.placeAt({at.x(), at.y()});\n", "",
     "a window brought back on screen stores where it was not"),
    ("qt/session_end.cpp", "{SIGTERM, SIGHUP, SIGINT}", "{SIGTERM, SIGHUP}", "Ctrl-C ends without storing the place"),
    ("game/startup.cpp", "kLargestCoordinate = 32767.0 * kTwipsPerPixel;", "kLargestCoordinate = 2000.0 * kTwipsPerPixel;",
     "a far position read back as 0"),
    ("game/numbers.cpp", "(text[i] == 'e' || text[i] == 'E')", "(text[i] == 'e')", "a stored 1.5E3 read as 1.5"),
    ("game/numbers.cpp", "(text[i] == '+' || text[i] == '-')", "(text[i] == '-')", "a stored +1500 read as 0"),
    ("game/numbers.cpp", "(text[i] == ' ' || text[i] == '\\t')", "(text[i] == ' ')", "a stored tab before the number read as 0"),
    ("web/page.js", "[page.moved ? 1 : 0]", "[0]", "the page stores no place the window was dragged to"),
    ("web/page.js", "windowTop: () => page.home.top,", "windowTop: () => page.home.left,", "the page stores its window's x as its Top"),
    ("web/page.js", "Math.max(0, screen.width - size.width)", "Math.max(0, screen.width)", "the page's window dragged off its right edge"),
    # What the window draws
    ("game/form1.cpp", "Type::CommandButton, nullptr, 6480, 4320, 1935, 555,", "Type::CommandButton, nullptr, 6510, 4320, 1935, 555,",
     "次の問題 two pixels right of its place"),
    ("game/form1.cpp", "Type::Frame, nullptr, 360, 4080, 5895, 2775,", "Type::Frame, nullptr, 360, 4080, 5865, 2775,",
     "the answer frame two pixels narrow"),
    ("game/form1.cpp", "Type::Label, \"frm問題\", 3480, 360, 1575, 375,", "Type::Label, \"frm問題\", 3480, 390, 1575, 375,",
     "the level stars two pixels low"),
    ("qt/main_window.cpp", "const QRect rect(place.left, place.top, place.width, place.height);",
     "const QRect rect(place.left, place.top, place.width - 1, place.height);", "every widget a pixel narrow"),
    ("qt/widgets.cpp", "        shownColour_ = model_.BackColor;\n        update();", "        shownColour_ = model_.BackColor;",
     "the time bar not repainted when only its colour changes"),
    ("qt/widgets.cpp", "if (value & 0x80000000u) {", "if (value & 0x40000000u) {", "a system colour taken as a set one"),
    ("qt/widgets.cpp", "font.setPixelSize(int(std::lround(face.Size * 96.0 / 72.0)));", "font.setPointSize(int(std::lround(face.Size)));",
     "the layout's fonts in points, larger on a screen of more dots"),
    ("qt/widgets.cpp", "base.setPixelSize(12);", "base.setPointSize(12);", "the default font in points instead of pixels"),
    ("qt/main_window.cpp", "return toTwips(frameGeometry().height());", "return toTwips(height());",
     "the stage-clear panel's fall measured without the title bar"),
    ("web/page.js", "hex(value & 0xff) + hex((value >> 8) & 0xff) + hex((value >> 16) & 0xff)",
     "hex((value >> 16) & 0xff) + hex((value >> 8) & 0xff) + hex(value & 0xff)", "red and blue swapped in the page's colours"),
    ("web/page.js", "Math.round((points * 96) / 72)", "Math.round(points)", "the page's font sizes in points taken as pixels"),
    ("web/page.js", "15: \"#efefef\"", "15: \"#ffffff\"", "the page's button face white"),
    ("web/page.js", "  setStyle(el, \"width\", `${width}px`);", "  setStyle(el, \"width\", `${width - 1}px`);",
     "every control on the page a pixel narrow"),
    # Keys
    ("qt/main_window.cpp", "        button->setAutoDefault(true); // Enter clicks the focused button, like Space\n", "",
     "Enter no longer clicks the focused 次の問題 or やり直す"),
    ("qt/widgets.cpp", "void PressButton::keyPressEvent(QKeyEvent* event) {\n    event->ignore();",
     "void PressButton::keyPressEvent(QKeyEvent* event) {\n    press_();\n    event->ignore();", "a key presses a number or operator"),
    ("qt/qt_platform.cpp", "        box.setDefaultButton(yes);\n", "", "Enter at the start-up box answers no button it should"),
    ("web/page.js", "if (!yesNo) answer(1);", "answer(yesNo ? 0 : 1);", "Escape at the page's start-up box answers いいえ"),
    # The clock on the page
    ("web/page.js", "      last += due * interval;", "      last = now;",
     "the page's clock drops the part of an interval at each wake"),
    ("web/page.js", "if (page.busy || page.ended) return;", "if (page.ended) return;", "the game called while a box is open"),
    ("web/page.js", "[timer, sent]", "[timer, Math.min(sent, 1)]", "the page's clock delivers one tick a wake"),
    # Files and the command line
    ("qt/settings_file.cpp", "::mkdir(folder.c_str(), 0700)", "::mkdir(folder.c_str(), 0755)", "a new settings folder readable by everyone"),
    ("qt/settings_file.cpp", "            mode = 0666 & ~mask;", "            mode = 0666;", "a new settings file ignores the umask"),
    ("qt/command_line.cpp", "refuseArgument(err, argv[i])", "refuseArgument(err, argv[1])",
     "kazuroi --help extra names the wrong argument"),
    ("qt/command_line.cpp", "{\"display\", true},       {\"style\", true},", "{\"display\", true},       {\"style\", false},",
     "-style's value taken for an argument of its own"),
    # The script driver's input
    ("script/script_text.cpp", "token += e == 'r' ? '\\r' : e == 'n' ? '\\n' : e;", "token += e == 'n' ? '\\n' : e;",
     "a quoted \\r read as r"),
    ("script/script_text.cpp", "token += e == 'r' ? '\\r' : e == 'n' ? '\\n' : e;", "token += e == 'r' ? '\\r' : e == 'n' ? '\\r' : e;",
     "a quoted \\n read as CR"),
    ("script/script_names.cpp", "if (i < kDigitSlots) // the solver rates digits, nothing else",
     "if (i <= kDigitSlots) // the solver rates digits, nothing else", "a result slot held to a digit's range"),
    ("script/script_runner.cpp", "const int last = std::max<int>(f.StageIndex, kExtraStage);",
     "const int last = std::max<int>(f.StageIndex, kExtraStage - 1);", "an Extra Stage level no digits have accepted"),
    ("headless/headless_platform.cpp", "        timers_[std::size_t(index)].due = now_ + timers_[std::size_t(index)].interval;",
     "        timers_[std::size_t(index)].due = now_ + 2 * timers_[std::size_t(index)].interval;",
     "a tick that postpones the next one"),
    ("headless/headless_platform.cpp", "    timers_[std::size_t(index)] = {interval, now_ + interval};",
     "    timers_[std::size_t(index)] = {interval, timers_[std::size_t(index)].due + interval};",
     "a timer switched on again keeps its old interval"),
    ("qt/main.cpp", "    std::signal(SIGXFSZ, SIG_IGN);\n", "", "a file-size limit kills the game"),
    ("qt/session_end.cpp", "SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK", "SOCK_STREAM | SOCK_CLOEXEC",
     "a flood of signals blocks the handler"),
    # The running game
    ("game/running_game.h", "return started_ && boxes_ == 0 && !ended_ && !closed_;",
     "return started_ && !ended_ && !closed_;", "events reach the rules under a box"),
    ("game/running_game.cpp", "    const bool runs = started_ && !ended_ && !closed_ && !paused_ && timer.ticking();",
     "    const bool runs = started_ && !ended_ && !closed_ && timer.ticking();", "the clock runs on while held"),
    ("game/running_game.cpp", "        if (interval != timersShown_[t]) {", "        if (interval > timersShown_[t]) {",
     "a timer stopped by the rules ticks on"),
    ("game/running_game.cpp", "    sync(); // the screen shows what led to the box\n", "",
     "a box over a screen that does not show what led to it"),
    ("game/running_game.cpp", "    if (!ended_)\n        frontEnd_.writeSetting", "    frontEnd_.writeSetting",
     "the place stored after the game ended itself"),
    ("game/running_game.cpp", "    if (focus_)\n        frontEnd_.setFocus(*focus_);\n", "",
     "a game read back with the focus lost"),
    ("game/running_game.cpp", "    if (!takesEvents() || !answersMouseDown(index))\n        return false;\n    const Control& control = *controls()[std::size_t(index)];\n    if (!form_->takesInput(control))",
     "    if (!takesEvents() || !answersMouseDown(index))\n        return false;\n    const Control& control = *controls()[std::size_t(index)];\n    if (!control.Visible)",
     "a press reaches a disabled button"),
    # Writing and reading a game
    ("game/saved_game.cpp", "    if (last.substr(kCheck.size()) != hexText(checksum(saved.substr(0, checked))))",
     "    if (false)", "a damaged text read"),
    ("game/saved_game.cpp", "visit(\"TimeLeft\", \"\", Int16Value{f.TimeLeft, 0, full});",
     "visit(\"TimeLeft\", \"\", Int16Value{f.TimeLeft, 0, 32767});", "more time read than a full bar"),
    ("game/saved_game.cpp", "    visit(\"TickCountdown\", \"\", Int16Value{f.TickCountdown, 0, 10});\n", "",
     "the drain's rhythm not kept"),
    ("game/saved_game.cpp", "    if (count != marks && !(f.lbl正誤.Visible && count == 1 && marks == 0))",
     "    if (false)", "a selection that does not count read"),
    ("game/saved_game.cpp", "        form_.emplace(static_cast<Platform&>(*this)); // nothing of the text is kept\n", "",
     "a refused text half read"),
    # The page through a phone's day
    ("web/main.cpp", "    current().game.tick(timer, count);\n    current().keep();", "    current().game.tick(timer, count);",
     "the clock's progress not kept"),
    ("web/page.js", 'const hold = document.visibilityState !== "visible" || page.offering;', "const hold = page.offering;",
     "the clock runs out of sight"),
    ("web/page.js", '  if (!page.busy && !page.ended && page.shown && !document.querySelector("dialog[open]"))',
     "  if (!page.busy && !page.ended && page.shown)", "leaving with the offer open stores the place"),
    ("web/page.js", "  if (restored) offerKeptGame();", "", "a kept game taken up unasked, its clock held for ever"),
    # What the user set
    ("qt/settings_file.cpp", "        if (!(st.st_mode & S_IWUSR) || ::access(target.c_str(), W_OK) != 0)",
     "        if (::access(target.c_str(), W_OK) != 0)", "a file made read-only replaced by root"),
    ("qt/settings_file.cpp", "        if (const auto bad = firstUnreadableLine(old.text))",
     "        if (const auto bad = firstUnreadableLine(old.text); false && bad)",
     "a line QSettings cannot read blamed on QSettings"),
    ("qt/settings_file.cpp", "descriptorsLeft(12)", "descriptorsLeft(2)", "too few files blamed on QSettings"),
    ("qt/qt_platform.cpp", "!saved.failure.empty() && !told_.count(application))", "!saved.failure.empty())",
     "an unreadable file told of twice"),
    # Every start ends in the game or in one line
    ("qt/command_line.cpp", "        if (file)\n", "        if (false)\n", "a FIFO given to Qt to read"),
    ("qt/printable.cpp", '"\\\\x%02X"', '"%c"', "an escape sequence echoed to the terminal"),
    ("qt/main.cpp", "        sayNoPlatform(text);\n        std::_Exit(1);\n", "", "a platform Qt cannot load aborts"),
    ("qt/command_line.cpp", "        ::setrlimit(RLIMIT_NOFILE, &limit);\n", "", "a low soft limit not raised"),
    ("qt/command_line.cpp", "std::isfinite(factor) && factor > 0)", "std::isfinite(factor) && factor >= 0)",
     "a scale of 0 let through"),
    ("qt/main.cpp", "    else if (wayland && *wayland)", "    else if (false)", "a Wayland display said to be unset"),
    ("script/script_text.cpp", "        if (first && line == kByteOrderMark)", "        if (line == kByteOrderMark)",
     "a byte-order mark dropped inside a script"),
    # A deploy half-done, an update cut off, a copy that cannot start
    ("web/sw.js", "      if (fetched.ok && await isWhole(fetched.clone(), file)) response = fetched;",
     "      if (fetched.ok) response = fetched;", "a file cut short taken into the offline copy"),
    ("web/sw.js", "    if (!list) continue;\n", "", "a copy still being filled played from"),
    ("web/sw.js", "    if (!file || await isWhole(found.clone(), file)) return found;",
     "    return found;", "a file damaged in storage still served"),
    ("web/page.js", "  if (worker && !retried) {", "  if (worker) {", "a copy that cannot start reloaded for ever"),
    # Lines and rings in whole pixels
    ("web/page.js", 'return scale < 1 ? `${(1 / scale).toFixed(3)}px` : "1px";', 'return "1px";',
     "a scaled-down window's borders thinner than a pixel"),
    ("web/page.js", 'document.addEventListener("pointerdown", () => document.body.classList.remove("keys"), true);\n', "",
     "the focus ring left on after a tap"),
]


def check():
    bad = 0
    for path, old, new, what in FAULTS:
        with open(os.path.join(ROOT, path), encoding="utf-8") as f:
            count = f.read().count(old)
        if count != 1:
            print(f"{path}: '{what}': its text is found {count} times")
            bad += 1
    print(f"{len(FAULTS)} faults, {bad} not found exactly once")
    return bad == 0


def copy_tree(into):
    files = subprocess.run(["git", "ls-files", "-co", "--exclude-standard"], cwd=ROOT,
                           capture_output=True, text=True, check=True).stdout.split("\n")
    for name in filter(None, files):
        source = os.path.join(ROOT, name)
        if os.path.isfile(source):
            os.makedirs(os.path.dirname(os.path.join(into, name)), exist_ok=True)
            shutil.copy2(source, os.path.join(into, name))


def run(command, cwd, timeout):
    try:
        return subprocess.run(command, cwd=cwd, capture_output=True, text=True,
                              timeout=timeout).returncode == 0
    except subprocess.TimeoutExpired:
        return False


# What ctest says of a test that failed on its own check; a time-out or a test not run (a tool
# missing) is no such failure.
OWN_FAILURES = ("Failed", "SEGFAULT", "Subprocess aborted", "Child aborted", "Exception", "ILLEGAL")


def outcome(command, cwd, timeout, page):
    """'passed', 'failed' when a test failed on its own check, or 'unsure'."""
    try:
        result = subprocess.run(command, cwd=cwd, capture_output=True, text=True, timeout=timeout)
    except subprocess.TimeoutExpired:
        return "unsure"
    if result.returncode == 0:
        return "passed"
    said = result.stdout + result.stderr
    if page:  # unittest: a failure is an assertion; an error, the harness or the browser
        summary = re.search(r"^FAILED \((.*)\)$", said, re.M)
        return "failed" if summary and "failures=" in summary.group(1) else "unsure"
    statuses = re.findall(r"^\s*\d+ - \S+ \((.+?)\)$", said, re.M)
    return "failed" if any(s.startswith(OWN_FAILURES) for s in statuses) else "unsure"


def judged(tests, again, work, page):
    """What the suite says of a fault, sure of it: a failure again when the failed tests run once
    more is 'caught'; a run that told nothing runs once more."""
    first = outcome(tests, work, 900, page)
    if first == "unsure":
        first = outcome(tests, work, 900, page)
    if first == "failed":
        return "caught" if outcome(again, work, 900, page) == "failed" else "flaky"
    return {"passed": "MISSED", "unsure": "unsure"}[first]


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--check", action="store_true")
    parser.add_argument("--only", default="")
    parser.add_argument("--last", type=int, default=0)
    parser.add_argument("--jobs", type=int, default=os.cpu_count() or 2)
    args = parser.parse_args()
    if not check() or args.check:
        return 0 if args.check else 1
    faults = [f for f in FAULTS[-args.last if args.last else 0:] if args.only in f[0] or args.only in f[3]]
    work = tempfile.mkdtemp(prefix="kazuroi-mutate-")
    copy_tree(work)
    build = ["cmake", "--build", "build", "-j", str(args.jobs)]
    tests = ["ctest", "--test-dir", "build", "-j", str(args.jobs), "--label-exclude", "soak",
             "--timeout", "120", "--stop-on-failure"]
    # A fault in the page is met by the page's tests, against the desktop build's driver.
    web_build = ["cmake", "--build", "--preset", "web"]
    web_tests = ["/usr/bin/python3", "tests/web/test_page.py", "build-web/site", "build/kazuroi-script", "-f"]
    tests_again = ["ctest", "--test-dir", "build", "--rerun-failed", "--timeout", "120"]
    if not (run(["cmake", "--preset", "default"], work, 600) and run(build, work, 1800)
            and outcome(tests, work, 1800, False) == "passed"):
        sys.exit("the unchanged copy does not build or pass its tests")
    if any(f[0].startswith("web/") for f in faults) and not (
            run(["cmake", "--preset", "web"], work, 600) and run(web_build, work, 1800)
            and outcome(web_tests, work, 1800, True) == "passed"):
        sys.exit("the unchanged copy's page does not build or pass its tests")
    counts = {"caught": 0, "MISSED": 0, "unsure": 0, "flaky": 0}
    stillborn = 0
    for number, (path, old, new, what) in enumerate(faults, 1):
        target = os.path.join(work, path)
        with open(target, encoding="utf-8") as f:
            original = f.read()
        with open(target, "w", encoding="utf-8") as f:
            f.write(original.replace(old, new))
        start = time.time()
        page = path.startswith("web/")
        if not run(web_build if page else build, work, 900):
            result = "no build" # not a fault the tests could meet
            stillborn += 1
        else:
            result = judged(web_tests if page else tests, web_tests if page else tests_again, work, page)
            counts[result] += 1
        print(f"{number:3} {result:8} {path}: {what} ({time.time() - start:.0f} s)", flush=True)
        with open(target, "w", encoding="utf-8") as f:
            f.write(original)
        os.utime(target) # the next build sees the file changed back
    print(f"caught {counts['caught']} of {len(faults) - stillborn}, missed {counts['MISSED']}, "
          f"unsure {counts['unsure']}, caught once but not again {counts['flaky']} "
          f"({stillborn} did not build)")
    shutil.rmtree(work)
    return 0


if __name__ == "__main__":
    sys.exit(main())
