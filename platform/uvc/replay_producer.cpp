// Frames of a recorded stream file, in the file's order, over and over. Each frame is copied
// out of the mapping because the stream may damage it (injected faults).
#include <string.h>

#include <memory>

#include "frame_producer.h"
#include "replay_file.h"

namespace {

class ReplayProducer : public FrameProducer {
  public:
    // Takes the file as the description's check mapped and indexed it.
    bool open(const ReplaySource &source, std::string *error) {
        file_ = source.file;
        if (!file_) {
            *error = "replay file not opened by its description";
            return false;
        }
        frame_.resize(file_->largest_frame());
        return true;
    }

    // A recorded stream shows what it recorded: no clap marker is added.
    bool produce(uint32_t number, bool, uint8_t **data, size_t *bytes) override {
        const uint8_t *recorded = file_->frame((number - 1) % file_->frame_count(), bytes);
        memcpy(frame_.data(), recorded, *bytes);
        *data = frame_.data();
        return true;
    }

  private:
    std::shared_ptr<const ReplayFile> file_;
    std::vector<uint8_t> frame_;
};

}  // namespace

std::unique_ptr<FrameProducer> make_replay_producer(const ReplaySource &source,
                                                    std::string *error) {
    std::unique_ptr<ReplayProducer> producer(new ReplayProducer());
    if (!producer->open(source, error))
        return nullptr;
    return producer;
}
