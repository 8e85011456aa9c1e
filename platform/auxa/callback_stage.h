// Hands each block to the callback node's function as PCM bytes with an AuxaBlockInfo, then
// passes the block on unchanged.
#pragma once

#include <cstdint>
#include <vector>

#include "block_stage.h"
#include "node.h"

class CallbackStage : public BlockStage {
  public:
    explicit CallbackStage(CDataDistributor *node) : node_(node) {}
    void process(const AudioBlock &in, const EmitBlock &emit) override;

  private:
    CDataDistributor *node_;
    std::vector<uint8_t> bytes_;  // the callback's own copy of each block
};
