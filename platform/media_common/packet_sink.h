// Where the encoders hand their encoded units.
#pragma once

#include <functional>

#include "media_packet.h"

using PacketSink = std::function<void(const MediaPacket &packet)>;
