#include "support/message_capture.h"

MessageCapture::MessageCapture()
{
    previous_ = msgbox::setHandler([this](const msgbox::Request &request) {
        boxes_.push_back(request);
        if (hook_)
            hook_(request);
        return (request.flags & 7) == msgbox::YesNo ? answer_ : int(msgbox::Ok);
    });
    // A refused write's conflict window follows its box: closed with Escape,
    // as the user who only reads the box would, unless a test answers it.
    previousConflictAnswer_ = ConflictDialog::answerHook();
    if (!previousConflictAnswer_)
        ConflictDialog::answerHook() = [](const std::vector<ConflictCell> &, bool) { return ConflictDialog::KeepEditing; };
    previousDeleteAnswer_ = ConflictDialog::deleteAnswerHook();
    if (!previousDeleteAnswer_)
        ConflictDialog::deleteAnswerHook() = [](const std::vector<ConflictCell> &) { return ConflictDialog::KeepIt; };
}

MessageCapture::~MessageCapture()
{
    msgbox::setHandler(std::move(previous_));
    ConflictDialog::answerHook() = std::move(previousConflictAnswer_);
    ConflictDialog::deleteAnswerHook() = std::move(previousDeleteAnswer_);
}

QStringList MessageCapture::texts() const
{
    QStringList result;
    for (const auto &box : boxes_)
        result << box.text;
    return result;
}
