// Building the node graph: kinds, configuration ids, links, and what a running capture refuses.
#include <gtest/gtest.h>

#include "auxa_lumivo.h"
#include "auxa_test_support.h"
#include "host_android.h"

namespace {

struct Graph {
    Graph() : mic(mic_description("")) {
        EXPECT_EQ(mic.open_result, AUXA_OK);
        EXPECT_EQ(AuxaDstGet(mic.device, AUXA_NODE_SOURCE, nullptr, &source), AUXA_OK);
        EXPECT_EQ(AuxaDstCreate(mic.device, AUXA_NODE_RESAMPLER, "myResampler", &resampler),
                  AUXA_OK);
        EXPECT_EQ(AuxaDstCreate(mic.device, AUXA_NODE_PROCESSING, "mydenoise", &processing),
                  AUXA_OK);
    }
    OpenMic mic;
    CDataDistributor *source = nullptr, *resampler = nullptr, *processing = nullptr;
};

TEST(AuxaGraph, SourceAndNodeKinds) {
    Graph graph;
    _AUXA_DEV *device = graph.mic.device;
    ASSERT_NE(graph.source, nullptr);
    CDataDistributor *node = reinterpret_cast<CDataDistributor *>(0x1);
    EXPECT_EQ(AuxaDstGet(device, AUXA_NODE_RESAMPLER, nullptr, &node),
              AUXA_ERROR_INVALID_PARAMETER);
    EXPECT_EQ(node, nullptr);
    EXPECT_EQ(AuxaDstGet(device, AUXA_NODE_SOURCE, nullptr, nullptr), AUXA_ERROR_INVALID_PARAMETER);
    for (int kind : {(int)AUXA_NODE_SOURCE, 0, 0x123, 0x800001}) {
        EXPECT_EQ(AuxaDstCreate(device, kind, "x", &node), AUXA_ERROR_INVALID_PARAMETER) << kind;
        EXPECT_EQ(node, nullptr);
    }
    // A name is one node: the same kind gets the node back, another kind is refused.
    EXPECT_EQ(AuxaDstCreate(device, AUXA_NODE_RESAMPLER, "myResampler", &node), AUXA_OK);
    EXPECT_EQ(node, graph.resampler);
    EXPECT_EQ(AuxaDstCreate(device, AUXA_NODE_CALLBACK, "myResampler", &node),
              AUXA_ERROR_INVALID_PARAMETER);
    CDataDistributor *unnamed1 = nullptr, *unnamed2 = nullptr;
    EXPECT_EQ(AuxaDstCreate(device, AUXA_NODE_CALLBACK, nullptr, &unnamed1), AUXA_OK);
    EXPECT_EQ(AuxaDstCreate(device, AUXA_NODE_CALLBACK, "", &unnamed2), AUXA_OK);
    EXPECT_NE(unnamed1, unnamed2);
    EXPECT_EQ(AuxaDstCreate(device, AUXA_NODE_CALLBACK, "x", nullptr),
              AUXA_ERROR_INVALID_PARAMETER);
    EXPECT_EQ(AuxaDstCreate(nullptr, AUXA_NODE_CALLBACK, "x", &node), AUXA_ERROR_INVALID_PARAMETER);
}

TEST(AuxaGraph, ConfigurationBelongsToItsKind) {
    Graph graph;
    _AUXA_DEV *device = graph.mic.device;
    int rate = 44100;
    uint8_t on = 1;
    int db = 20;
    EXPECT_EQ(AuxaDstSetConfig(device, graph.resampler, AUXA_RESAMPLER_RATE, &rate), AUXA_OK);
    EXPECT_EQ(AuxaDstSetConfig(device, graph.processing, AUXA_PROCESSING_DENOISE, &on), AUXA_OK);
    EXPECT_EQ(AuxaDstSetConfig(device, graph.processing, AUXA_PROCESSING_DENOISE_DB, &db), AUXA_OK);
    // Ids of another kind, unknown ids, the source, null values.
    EXPECT_EQ(AuxaDstSetConfig(device, graph.resampler, AUXA_PROCESSING_DENOISE, &on),
              AUXA_ERROR_INVALID_PARAMETER);
    EXPECT_EQ(AuxaDstSetConfig(device, graph.processing, AUXA_RESAMPLER_RATE, &rate),
              AUXA_ERROR_INVALID_PARAMETER);
    EXPECT_EQ(AuxaDstSetConfig(device, graph.resampler, 0x200003, &rate),
              AUXA_ERROR_INVALID_PARAMETER);
    EXPECT_EQ(AuxaDstSetConfig(device, graph.processing, 0x800008, &db),
              AUXA_ERROR_INVALID_PARAMETER);
    EXPECT_EQ(AuxaDstSetConfig(device, graph.source, AUXA_RESAMPLER_RATE, &rate),
              AUXA_ERROR_INVALID_PARAMETER);
    EXPECT_EQ(AuxaDstSetConfig(device, graph.resampler, AUXA_RESAMPLER_RATE, nullptr),
              AUXA_ERROR_INVALID_PARAMETER);
    EXPECT_EQ(AuxaDstSetConfig(device, nullptr, AUXA_RESAMPLER_RATE, &rate),
              AUXA_ERROR_INVALID_PARAMETER);
    // Values out of range.
    struct {
        CDataDistributor *node;
        int id;
        int value;
    } bad_values[] = {
        {graph.resampler, AUXA_RESAMPLER_RATE, 999},
        {graph.resampler, AUXA_RESAMPLER_RATE, -44100},
        {graph.resampler, AUXA_RESAMPLER_BITS, 8},
        {graph.resampler, AUXA_RESAMPLER_CHANNELS, 9},
        {graph.processing, AUXA_PROCESSING_DENOISE_DB, 101},
        {graph.processing, AUXA_PROCESSING_AGC_LEVEL, -1},
        {graph.processing, AUXA_PROCESSING_ECHO_ACTIVE_DB, -101},
    };
    for (const auto &bad : bad_values) {
        EXPECT_EQ(AuxaDstSetConfig(device, bad.node, bad.id, &bad.value),
                  AUXA_ERROR_INVALID_PARAMETER)
            << std::hex << bad.id << " " << std::dec << bad.value;
    }
    // Nodes of another device, and pointers that are no node at all.
    OpenMic other(mic_description(""));
    ASSERT_EQ(other.open_result, AUXA_OK);
    EXPECT_EQ(AuxaDstSetConfig(other.device, graph.resampler, AUXA_RESAMPLER_RATE, &rate),
              AUXA_ERROR_INVALID_PARAMETER);
    CDataDistributor *stray = reinterpret_cast<CDataDistributor *>(&rate);
    EXPECT_EQ(AuxaDstSetConfig(device, stray, AUXA_RESAMPLER_RATE, &rate),
              AUXA_ERROR_INVALID_PARAMETER);
}

TEST(AuxaGraph, LinkRules) {
    Graph graph;
    _AUXA_DEV *device = graph.mic.device;
    CDataDistributor *tail = nullptr;
    ASSERT_EQ(AuxaDstCreate(device, AUXA_NODE_CALLBACK, "tail", &tail), AUXA_OK);
    EXPECT_EQ(AuxaDstLink(device, graph.source, nullptr), AUXA_ERROR_INVALID_PARAMETER);
    EXPECT_EQ(AuxaDstLink(device, nullptr, tail), AUXA_ERROR_INVALID_PARAMETER);
    EXPECT_EQ(AuxaDstLink(nullptr, graph.source, tail), AUXA_ERROR_INVALID_PARAMETER);
    EXPECT_EQ(AuxaDstLink(device, graph.resampler, graph.resampler), AUXA_ERROR_INVALID_PARAMETER);
    EXPECT_EQ(AuxaDstLink(device, graph.resampler, graph.source), AUXA_ERROR_INVALID_PARAMETER);

    ASSERT_EQ(AuxaDstLink(device, graph.source, graph.resampler), AUXA_OK);
    EXPECT_EQ(AuxaDstLink(device, graph.source, graph.resampler), AUXA_OK);  // again: no change
    ASSERT_EQ(AuxaDstLink(device, graph.resampler, graph.processing), AUXA_OK);
    // One input per node, and no loops.
    EXPECT_EQ(AuxaDstLink(device, graph.source, graph.processing), AUXA_ERROR_INVALID_PARAMETER);
    CDataDistributor *loose = nullptr;
    ASSERT_EQ(AuxaDstCreate(device, AUXA_NODE_PROCESSING, "loose", &loose), AUXA_OK);
    ASSERT_EQ(AuxaDstLink(device, loose, tail), AUXA_OK);
    EXPECT_EQ(AuxaDstLink(device, tail, loose), AUXA_ERROR_INVALID_PARAMETER);
    // A node may feed several nodes.
    CDataDistributor *second = nullptr;
    ASSERT_EQ(AuxaDstCreate(device, AUXA_NODE_CALLBACK, "second", &second), AUXA_OK);
    EXPECT_EQ(AuxaDstLink(device, graph.processing, second), AUXA_OK);
    EXPECT_EQ(AuxaDstLink(device, graph.resampler, loose), AUXA_OK);

    OpenMic other(mic_description(""));
    ASSERT_EQ(other.open_result, AUXA_OK);
    CDataDistributor *other_source = nullptr;
    ASSERT_EQ(AuxaDstGet(other.device, AUXA_NODE_SOURCE, nullptr, &other_source), AUXA_OK);
    CDataDistributor *fresh = nullptr;
    ASSERT_EQ(AuxaDstCreate(device, AUXA_NODE_CALLBACK, "fresh", &fresh), AUXA_OK);
    EXPECT_EQ(AuxaDstLink(device, other_source, fresh), AUXA_ERROR_INVALID_PARAMETER);
    EXPECT_EQ(AuxaDstLink(other.device, other_source, fresh), AUXA_ERROR_INVALID_PARAMETER);
}

TEST(AuxaGraph, StartNeedsACallbackBelowTheSource) {
    Graph graph;
    _AUXA_DEV *device = graph.mic.device;
    EXPECT_EQ(AuxaStart(device), AUXA_ERROR_NO_GRAPH);
    ASSERT_EQ(AuxaDstLink(device, graph.source, graph.resampler), AUXA_OK);
    EXPECT_EQ(AuxaStart(device), AUXA_ERROR_NO_GRAPH);
    // A callback that is not linked below the source does not count either.
    CDataDistributor *loose = nullptr;
    ASSERT_EQ(AuxaDstCreate(device, AUXA_NODE_CALLBACK, "loose", &loose), AUXA_OK);
    EXPECT_EQ(AuxaStart(device), AUXA_ERROR_NO_GRAPH);
    ASSERT_EQ(AuxaDstLink(device, graph.resampler, loose), AUXA_OK);
    EXPECT_EQ(AuxaStart(device), AUXA_OK);
    EXPECT_EQ(AuxaStop(device), AUXA_OK);
}

TEST(AuxaGraph, RunningCaptureKeepsItsGraph) {
    Graph graph;
    _AUXA_DEV *device = graph.mic.device;
    BlockCollector collector;
    ASSERT_EQ(AuxaDstLink(device, graph.source, graph.resampler), AUXA_OK);
    attach_collector(device, graph.resampler, &collector, "cb");
    ASSERT_EQ(AuxaStart(device), AUXA_OK);
    CDataDistributor *node = nullptr;
    EXPECT_EQ(AuxaDstCreate(device, AUXA_NODE_CALLBACK, "new", &node), AUXA_ERROR_BUSY);
    EXPECT_EQ(AuxaDstLink(device, graph.resampler, graph.processing), AUXA_ERROR_BUSY);
    EXPECT_EQ(AuxaSetSampleRate(device, 48000), AUXA_ERROR_BUSY);
    // Building the same graph again changes nothing and is accepted.
    EXPECT_EQ(AuxaDstCreate(device, AUXA_NODE_RESAMPLER, "myResampler", &node), AUXA_OK);
    EXPECT_EQ(AuxaDstLink(device, graph.source, graph.resampler), AUXA_OK);
    int rate = 16000;
    EXPECT_EQ(AuxaDstSetConfig(device, graph.resampler, AUXA_RESAMPLER_RATE, &rate), AUXA_OK);
    EXPECT_EQ(AuxaStop(device), AUXA_OK);
    EXPECT_EQ(AuxaDstLink(device, graph.resampler, graph.processing), AUXA_OK);
}

TEST(AuxaGraph, DumpShowsNodesAndLinks) {
    Graph graph;
    _AUXA_DEV *device = graph.mic.device;
    ASSERT_EQ(AuxaDstLink(device, graph.source, graph.resampler), AUXA_OK);
    ASSERT_EQ(AuxaDstLink(device, graph.resampler, graph.processing), AUXA_OK);
    int rate = 44100;
    ASSERT_EQ(AuxaDstSetConfig(device, graph.resampler, AUXA_RESAMPLER_RATE, &rate), AUXA_OK);
    host_log_capture_start();
    EXPECT_EQ(AuxaDstDump(device), AUXA_OK);
    EXPECT_EQ(host_log_count("node 2 resampler \"myResampler\" <- node 1 rate 44100"), 1);
    EXPECT_EQ(host_log_count("node 3 processing \"mydenoise\" <- node 2 denoise off"), 1);
    EXPECT_EQ(host_log_count("48000 Hz"), 1);
    host_log_capture_stop();
    EXPECT_EQ(AuxaDstDump(nullptr), AUXA_ERROR_INVALID_PARAMETER);
}

}  // namespace
