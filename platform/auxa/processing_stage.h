// Denoise, automatic gain control, dereverberation and echo cancellation with speexdsp's
// preprocessor and echo canceller, one set of states per channel. Switches are read for every
// 10 ms frame, so they take effect while capture runs. speexdsp works on 16-bit samples, so a
// frame that any of them touches carries 16 bits of precision afterwards.
#pragma once

#include <memory>
#include <vector>

#include "block_framer.h"
#include "block_stage.h"
#include "node.h"

struct SpeexPreprocessState_;
struct SpeexEchoState_;

class ProcessingStage : public BlockStage {
  public:
    explicit ProcessingStage(CDataDistributor *node) : node_(node) {}
    ~ProcessingStage() override;
    void process(const AudioBlock &in, const EmitBlock &emit) override;

  private:
    struct ChannelState {
        SpeexPreprocessState_ *preprocess = nullptr;
        SpeexEchoState_ *echo = nullptr;
    };

    void prepare(const AudioBlock &in);
    void apply(const ProcessingSettings &settings);
    void process_frame(AudioBlock &frame);

    CDataDistributor *node_;
    std::unique_ptr<BlockFramer> framer_;
    int frame_size_ = 0;
    int rate_ = 0;
    std::vector<ChannelState> channels_;
    ProcessingSettings applied_;
    bool applied_once_ = false;
    std::vector<int16_t> near_, far_, cleaned_;
};
