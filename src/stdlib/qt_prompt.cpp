#include "nuko/qt_prompt.h"

#include <algorithm>
#include <string>

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QWidget>

namespace nuko {
namespace {

struct ButtonSpec {
    PromptAnswer answer;
    const char* text;
    QMessageBox::ButtonRole role;
};

QMessageBox::Icon ToQt(PromptIcon icon) {
    switch (icon) {
        case PromptIcon::Information: return QMessageBox::Information;
        case PromptIcon::Question: return QMessageBox::Question;
        case PromptIcon::Warning: return QMessageBox::Warning;
        case PromptIcon::Error: return QMessageBox::Critical;
        case PromptIcon::None: break;
    }
    return QMessageBox::NoIcon;
}

}  // namespace

PromptAnswer QtPrompt::Ask(const PromptRequest& request) {
    if (!qobject_cast<QApplication*>(QCoreApplication::instance())) return DefaultAnswer(request.buttons);

    static const ButtonSpec kOk{PromptAnswer::Ok, "OK", QMessageBox::AcceptRole};
    static const ButtonSpec kCancel{PromptAnswer::Cancel, "ｷｬﾝｾﾙ", QMessageBox::RejectRole};
    static const ButtonSpec kYes{PromptAnswer::Yes, "はい(&Y)", QMessageBox::YesRole};
    static const ButtonSpec kNo{PromptAnswer::No, "いいえ(&N)", QMessageBox::NoRole};
    static const ButtonSpec kRetry{PromptAnswer::Retry, "再試行(&R)", QMessageBox::AcceptRole};
    static const ButtonSpec kAbort{PromptAnswer::Abort, "中止(&A)", QMessageBox::RejectRole};
    static const ButtonSpec kIgnore{PromptAnswer::Ignore, "無視(&I)", QMessageBox::AcceptRole};

    std::vector<const ButtonSpec*> choices;
    switch (request.buttons) {
        case PromptButtons::Ok: choices = {&kOk}; break;
        case PromptButtons::OkCancel: choices = {&kOk, &kCancel}; break;
        case PromptButtons::YesNo: choices = {&kYes, &kNo}; break;
        case PromptButtons::YesNoCancel: choices = {&kYes, &kNo, &kCancel}; break;
        case PromptButtons::RetryCancel: choices = {&kRetry, &kCancel}; break;
        case PromptButtons::AbortRetryIgnore: choices = {&kAbort, &kRetry, &kIgnore}; break;
    }

    EchoToStandardError(request.text);
    QMessageBox box(static_cast<QWidget*>(request.owner));
    box.setIcon(ToQt(request.icon));
    box.setWindowTitle(QString::fromStdString(request.caption.empty() ? "NU-KOP32" : request.caption));
    box.setText(QString::fromStdString(request.text));
    std::vector<std::pair<QAbstractButton*, PromptAnswer>> map;
    for (const ButtonSpec* s : choices) {
        QPushButton* b = box.addButton(QString::fromUtf8(s->text), s->role);
        map.emplace_back(b, s->answer);
    }
    std::size_t default_index = static_cast<std::size_t>(std::max(request.default_button, 0));
    if (default_index >= map.size()) default_index = 0;
    box.setDefaultButton(static_cast<QPushButton*>(map[default_index].first));
    PromptAnswer fallback = DefaultAnswer(request.buttons);
    for (auto& [button, answer] : map)
        if (answer == fallback) box.setEscapeButton(button);
    box.exec();
    for (auto& [button, answer] : map)
        if (box.clickedButton() == button) return answer;
    return fallback;
}

}  // namespace nuko
