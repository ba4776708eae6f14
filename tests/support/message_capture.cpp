#include "support/message_capture.h"

MessageCapture::MessageCapture()
{
    previous_ = msgbox::setHandler([this](const msgbox::Request &request) {
        boxes_.push_back(request);
        if (hook_)
            hook_(request);
        return (request.flags & 7) == msgbox::YesNo ? answer_ : int(msgbox::Ok);
    });
}

MessageCapture::~MessageCapture()
{
    msgbox::setHandler(std::move(previous_));
}

QStringList MessageCapture::texts() const
{
    QStringList result;
    for (const auto &box : boxes_)
        result << box.text;
    return result;
}
