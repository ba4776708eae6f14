#pragma once

#include "app/message_box.h"
#include "editor/ui/conflict_dialog.h"

#include <QStringList>
#include <vector>

// Records every message box the program shows, instead of showing it, for as
// long as it lives. An optional hook runs at each box (while the program is
// blocked in it), e.g. to read the mouse pointer at that moment.
class MessageCapture {
public:
    MessageCapture();
    ~MessageCapture();
    MessageCapture(const MessageCapture &) = delete;
    MessageCapture &operator=(const MessageCapture &) = delete;

    const std::vector<msgbox::Request> &boxes() const { return boxes_; }
    QStringList texts() const;
    void clear() { boxes_.clear(); }
    void onBox(std::function<void(const msgbox::Request &)> hook) { hook_ = std::move(hook); }
    // The answer given to Yes/No questions (OK boxes answer OK).
    void answerQuestionsWith(int answer) { answer_ = answer; }

private:
    std::vector<msgbox::Request> boxes_;
    std::function<void(const msgbox::Request &)> hook_;
    msgbox::Handler previous_;
    ConflictDialog::Answer previousConflictAnswer_;
    ConflictDialog::DeleteAnswer previousDeleteAnswer_;
    int answer_ = msgbox::No;
};
