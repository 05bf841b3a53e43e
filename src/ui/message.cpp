// TMessage and TMessageListener: out-of-line destructors, the home of their virtual tables.
#include "ui/message.h"

TMessage::~TMessage() = default;

TMessageListener::~TMessageListener() = default;
