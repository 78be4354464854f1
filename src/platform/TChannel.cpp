#include "platform/TChannel.h"

TChannel::TChannel(int handle_) : handle(handle_) {}
