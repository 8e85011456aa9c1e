// The demo as a user runs it (scripts/demo.sh on the build tree), in both deliverables and with
// a live stream, with every output read back; and its refusals of bad input.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <set>
#include <sstream>
#include <string>

#include "command_output.h"
#include "demo_outputs.h"
#include "loopback_peer.h"
#include "media_probe.h"
#include "uvc_testing.h"

namespace {

constexpr int kSeconds = 3;

struct DemoResult {
    int status = -1;
    std::string output;  // what the user sees (the engine's log is in engine.log)
    std::string dir;
};

std::string fresh_dir(const std::string &name) {
    std::string dir = std::string(DEMO_RUN_DIR) + "/" + name;
    command_output("rm -rf '" + dir + "' && mkdir -p '" + dir + "'");
    return dir;
}

DemoResult run_demo(const std::string &name, const std::string &args) {
    DemoResult result;
    result.dir = fresh_dir(name);
    // The JVM checks every JNI call; its warnings would show in the output.
    result.output = command_output("DEMO_JAVA_OPTS=-Xcheck:jni " + std::string(DEMO_SCRIPT) +
                                       " --no-build --build-dir '" + DEMO_BUILD_DIR + "' --out '" +
                                       result.dir + "/out' " + args + " 2>&1",
                                   &result.status);
    result.status = WIFEXITED(result.status) ? WEXITSTATUS(result.status) : -1;
    return result;
}

std::string out_file(const DemoResult &run, const char *name) {
    return run.dir + "/out/" + name;
}

// -Xcheck:jni warnings whose native method is ours (the bridge, the stand-ins, the demo's host
// library); the JDK's own font code draws some of its own, which are not counted.
int jni_warnings_in_our_natives(const std::string &output) {
    int count = 0;
    const std::string warning = "WARNING in native method";
    for (size_t at = output.find(warning); at != std::string::npos;
         at = output.find(warning, at + 1)) {
        const size_t line = output.find('\n', at);
        const size_t next = line == std::string::npos ? line : output.find('\n', line + 1);
        const std::string frame = line == std::string::npos ? "" : output.substr(line, next - line);
        if (frame.find("com.orrinworks") != std::string::npos ||
            frame.find("android.") != std::string::npos) {
            count++;
        }
    }
    return count;
}

// Every output of a complete run is there and reads back as what it claims to be.
void check_outputs(const DemoResult &run, const char *live_file) {
    SCOPED_TRACE(run.output);
    ASSERT_EQ(run.status, 0);
    EXPECT_EQ(run.output.find("NOT DONE"), std::string::npos);
    EXPECT_EQ(jni_warnings_in_our_natives(run.output), 0) << "-Xcheck:jni";

    // Pictures: each decodes; those taken from the stream carry a camera frame number.
    Picture preview, capture, still, sheet, levels;
    ASSERT_TRUE(read_png(out_file(run, "preview.png"), &preview));
    ASSERT_TRUE(read_png(out_file(run, "capture.png"), &capture));
    ASSERT_TRUE(read_jpeg(out_file(run, "still.jpg"), &still));
    ASSERT_TRUE(read_png(out_file(run, "contact-sheet.png"), &sheet));
    ASSERT_TRUE(read_png(out_file(run, "levels.png"), &levels));
    const int64_t captured =
        uvc_test_decode_counter(capture.rgbx.data(), capture.width, capture.height, 0);
    const int64_t last =
        uvc_test_decode_counter(preview.rgbx.data(), preview.width, preview.height, 0);
    EXPECT_GT(captured, 0);
    EXPECT_GT(last, captured) << "the last picture on the surface came after the capture";
    EXPECT_GT(uvc_test_decode_counter(still.rgbx.data(), still.width, still.height, 0), 0);

    // The recording: H.264 and AAC for the recorded time, frames in camera order over it.
    ProbedMedia recording = probe_media(out_file(run, "recording.mp4"));
    ASSERT_TRUE(recording.readable);
    EXPECT_EQ(recording.codecs, "h264,aac");
    // The demo stops after its seconds of wall time, later when the machine is loaded.
    EXPECT_GT(recording.duration, kSeconds - 0.5);
    EXPECT_LT(recording.duration, 3 * kSeconds);
    std::vector<int64_t> counters = video_counters(out_file(run, "recording.mp4"), 8);
    ASSERT_GE(counters.size(), 6u);
    for (size_t i = 0; i < counters.size(); i++) {
        EXPECT_GT(counters[i], 0) << "sample " << i;
        if (i > 0) {
            EXPECT_GT(counters[i], counters[i - 1]) << "sample " << i;
        }
    }
    EXPECT_GE(counters.back() - counters.front(), kSeconds * 30 / 2);

    // The report names every file and lists the contact sheet's increasing counters.
    std::string html = read_file(out_file(run, "report.html"));
    EXPECT_EQ(html.find("<script"), std::string::npos);
    // Every file appears in the report's file table (names of missing pictures appear too).
    auto listed = [&html](const std::string &name) {
        return html.find("<td><a href=\"" + name + "\">") != std::string::npos;
    };
    for (const char *name : {"preview.png", "capture.png", "still.jpg", "contact-sheet.png",
                             "levels.png", "recording.mp4"}) {
        EXPECT_TRUE(listed(name)) << name;
    }
    std::vector<int64_t> sheet_counters = report_counters(html);
    ASSERT_GE(sheet_counters.size(), 6u);
    for (size_t i = 1; i < sheet_counters.size(); i++) {
        EXPECT_GT(sheet_counters[i], sheet_counters[i - 1]) << "sheet sample " << i;
    }
    EXPECT_GT(sheet_counters.front(), 0);

    if (live_file) {
        EXPECT_TRUE(listed(live_file));
        ProbedMedia live = probe_media(out_file(run, live_file));
        ASSERT_TRUE(live.readable);
        EXPECT_NE(live.codecs.find("h264"), std::string::npos);
        EXPECT_NE(live.codecs.find("aac"), std::string::npos);
        EXPECT_GT(live.duration, kSeconds - 1.0);
    }
    // Nothing of the camera or the windows stays open after the run.
    EXPECT_NE(read_file(out_file(run, "engine.log"))
                  .find("left open after release: camera contexts 0, devices 0, handles 0, "
                        "threads 0; windows 0"),
              std::string::npos);
}

// The lip sync figure of a run's summary: its mean in ms (NaN when none was measured).
double lip_sync_mean(const DemoResult &run) {
    const std::string label = "lip sync mean / min / max";
    const size_t at = run.output.find(label);
    const size_t bar = at == std::string::npos ? at : run.output.find("| ", at);
    return bar == std::string::npos ? std::nan("") : std::atof(run.output.c_str() + bar + 2);
}

// The report as headless Chromium shows it: every picture loads, each of `movies` plays, in page
// order, with the length ffprobe gives it (to a frame), and the page's screenshot is no blank.
void check_in_browser(const DemoResult &run,
                      const std::vector<std::string> &movies = {"recording.mp4"}) {
    const std::string shot = run.dir + "/report-screenshot.png";
    int status = -1;
    const std::string seen = command_output(std::string(DEMO_SCRIPTS) + "/check-report.sh '" +
                                                out_file(run, "report.html") + "' '" + shot + "'",
                                            &status);
    ASSERT_EQ(status, 0) << seen;
    const size_t images = seen.find("images ");
    ASSERT_NE(images, std::string::npos) << seen;
    const int loaded = std::atoi(seen.c_str() + images + 7);
    const int total = std::atoi(seen.c_str() + seen.find('/', images) + 1);
    EXPECT_EQ(loaded, total) << seen;
    // Under -Xcheck:jni the raw path may skip pictures, which leaves out latency.png.
    EXPECT_GE(total, 6) << seen;
    size_t video = seen.find("video ");
    ASSERT_NE(video, std::string::npos) << seen;
    std::istringstream durations(seen.substr(video + 6));
    for (const std::string &movie : movies) {
        double seconds = -1;
        ASSERT_TRUE(durations >> seconds) << movie << ": " << seen;
        EXPECT_NEAR(seconds, probe_media(out_file(run, movie.c_str())).duration, 1.0 / 30)
            << movie << ": " << seen;
    }
    Picture page;
    ASSERT_TRUE(read_png(shot, &page));
    std::set<uint32_t> colours;
    for (size_t i = 0; i + 3 < page.rgbx.size(); i += 4 * 7)
        colours.insert(page.rgbx[i] << 16 | page.rgbx[i + 1] << 8 | page.rgbx[i + 2]);
    EXPECT_GT(colours.size(), 1000u) << "the page looks blank";
}

TEST(Demo, RunsWithTheMediaRecorderDeliverableAndItsReportOpensInABrowser) {
    DemoResult run = run_demo("recorder", "--seconds 3 --deliverable libOrrinUVC5_TL");
    check_outputs(run, nullptr);
    check_in_browser(run);
}

// A microphone that hears everything 40 ms late moves the measured lip sync by 40 ms, to
// within one audio block (10 ms), against the same camera heard on time.
TEST(Demo, LipSyncFindsAMicrophoneShiftedByAKnownOffset) {
    const std::string dir = fresh_dir("shifted_camera");
    const std::string shifted = dir + "/shifted.conf";
    command_output("cp '" + std::string(DEMO_DESCRIPTION) + "' '" + shifted +
                   "' && echo 'mic_delay_ms = 40' >> '" + shifted + "'");
    DemoResult on_time = run_demo("on_time", "--seconds 4");
    DemoResult late = run_demo("late", "--seconds 4 --description '" + shifted + "'");
    ASSERT_EQ(on_time.status, 0) << on_time.output;
    ASSERT_EQ(late.status, 0) << late.output;
    const double base = lip_sync_mean(on_time), moved = lip_sync_mean(late);
    ASSERT_FALSE(std::isnan(base)) << on_time.output;
    ASSERT_FALSE(std::isnan(moved)) << late.output;
    // The sound comes later, so the picture leads it by 40 ms more.
    EXPECT_NEAR(moved, base - 40, 10) << on_time.output << late.output;
}

TEST(Demo, RunsWithTheHardwareEncoderDeliverableInYuyv) {
    DemoResult run = run_demo(
        "hw_encoder", "--seconds 3 --deliverable libOrrinUVC0 --format yuyv --size 640x480");
    check_outputs(run, nullptr);
    Picture capture;
    ASSERT_TRUE(read_png(out_file(run, "capture.png"), &capture));
    EXPECT_EQ(capture.width, 640);
    EXPECT_EQ(capture.height, 480);
}

// Two cameras at once, each recording its own file with its own microphone, both in the page.
TEST(Demo, RecordsTwoCamerasAtOnceAndShowsThemSideBySide) {
    DemoResult run = run_demo("two_cameras", "--seconds 3 --cameras 2");
    SCOPED_TRACE(run.output);
    ASSERT_EQ(run.status, 0);
    EXPECT_EQ(run.output.find("NOT DONE"), std::string::npos);
    const std::string webcam = out_file(run, "recording.mp4");
    const std::string second = out_file(run, "recording-2.mp4");
    for (const std::string &file : {webcam, second}) {
        const ProbedMedia recording = probe_media(file);
        ASSERT_TRUE(recording.readable) << file;
        EXPECT_EQ(recording.codecs, "h264,aac") << file;
        EXPECT_GT(recording.duration, kSeconds - 0.5) << file;
        EXPECT_LT(recording.duration, 3 * kSeconds) << file;
        const std::vector<int64_t> counters = video_counters(file, 6);
        ASSERT_GE(counters.size(), 4u) << file;
        EXPECT_GT(counters.front(), 0) << file;
        EXPECT_GT(counters.back(), counters.front()) << file;
    }
    // Each file comes from its own camera: the webcam's 1280x720 street with its clapper, the
    // second camera's 640x480 counter pattern with its microphone's 660 Hz tone.
    const std::string size = "-select_streams v:0 -show_entries stream=width,height";
    const auto webcam_size = ffprobe_fields(webcam, size);
    const auto second_size = ffprobe_fields(second, size);
    ASSERT_EQ(webcam_size.size(), 2u);
    ASSERT_EQ(second_size.size(), 2u);
    EXPECT_EQ(webcam_size[0].second + "x" + webcam_size[1].second, "1280x720");
    EXPECT_EQ(second_size[0].second + "x" + second_size[1].second, "640x480");
    EXPECT_NEAR(tone_hz(second), 660.0, 660.0 * 0.05);
    EXPECT_FALSE(std::isnan(lip_sync_mean(run))) << "the webcam's claps";

    // Every progress line and the summary give both cameras' figures.
    EXPECT_NE(run.output.find("] camera 1: handed over"), std::string::npos);
    for (size_t at = run.output.find("] camera 1: handed over"); at != std::string::npos;
         at = run.output.find("] camera 1: handed over", at + 1)) {
        const std::string line = run.output.substr(at, run.output.find('\n', at) - at);
        EXPECT_NE(line.find("|  camera 2: handed over"), std::string::npos) << line;
    }
    EXPECT_NE(run.output.find("| recording-2.mp4, "), std::string::npos);

    const std::string html = read_file(out_file(run, "report.html"));
    EXPECT_EQ(html.find("<script"), std::string::npos);
    for (const char *name : {"recording.mp4", "recording-2.mp4"}) {
        EXPECT_NE(
            html.find(std::string("<video controls preload=\"metadata\" width=\"960\" src=\"") +
                      name + "\""),
            std::string::npos)
            << name;
    }
    check_in_browser(run, {"recording.mp4", "recording-2.mp4"});
    EXPECT_NE(read_file(out_file(run, "engine.log"))
                  .find("left open after release: camera contexts 0, devices 0, handles 0, "
                        "threads 0; windows 0"),
              std::string::npos);
}

// The largest figure that follows `label` in a text, or -1.
double figure_after(const std::string &text, const std::string &label) {
    double largest = -1;
    for (size_t at = text.find(label); at != std::string::npos; at = text.find(label, at + 1))
        largest = std::max(largest, std::atof(text.c_str() + at + label.size()));
    return largest;
}

TEST(Demo, StreamsLiveToTheLocalNginx) {
    DemoResult run = run_demo("live_rtmp", "--seconds 3 --live rtmp");
    check_outputs(run, "live.flv");
    // The live library's own figures, read through the statistics natives while streaming
    // (progress lines: video frames a second) and just before the stop (report).
    EXPECT_GT(figure_after(run.output, "KiB/s "), 0) << run.output;
    std::string html = read_file(out_file(run, "report.html"));
    const double videoFps = figure_after(html, "KiB/s, video ");
    EXPECT_GT(videoFps, 15) << "video frames sent per second";
    EXPECT_LT(videoFps, 35) << "video frames sent per second";
    EXPECT_GT(figure_after(html, "fps, audio "), 0) << "audio frames sent per second";
    // The script stopped the peer it started ("[d]" keeps the shell's own line from matching).
    const std::string peer = std::string(DEMO_BUILD_DIR) + "/[d]emo-peer";
    EXPECT_EQ(command_output("pgrep -f '" + peer + "' || true"), "");
}

// A refusal is one line (the only one when it comes before the preview), a non-zero exit, no
// recording, and nothing left open.
void expect_refusal(const DemoResult &run, const std::string &words, bool alone = true) {
    SCOPED_TRACE(run.output);
    EXPECT_NE(run.status, 0);
    std::string text = run.output;
    while (!text.empty() && text.back() == '\n')
        text.pop_back();
    const size_t newline = text.rfind('\n');
    const std::string last = newline == std::string::npos ? text : text.substr(newline + 1);
    EXPECT_NE(last.find(words), std::string::npos) << last;
    if (alone) {
        EXPECT_EQ(newline, std::string::npos) << "more than one line";
    }
    const std::string log = read_file(out_file(run, "engine.log"));
    if (!log.empty()) {
        EXPECT_NE(log.find("handles 0, threads 0; windows 0"), std::string::npos) << log;
    }
    EXPECT_FALSE(std::ifstream(out_file(run, "recording.mp4")).good());
}

TEST(Demo, RefusesBadInputWithOneLineAndReleasesEverything) {
    expect_refusal(run_demo("no_description", "--description /nonexistent/camera.conf"),
                   "cannot read camera description");

    expect_refusal(run_demo("size", "--size 1234x567"), "offers no MJPEG 1234x567");
    expect_refusal(run_demo("yuyv_size", "--format yuyv --size 1920x1080"),
                   "offers no YUYV 1920x1080");

    // A file where the output folder should be: even root cannot make a folder inside it.
    std::string dir = fresh_dir("blocked");
    std::ofstream(dir + "/file") << "x";
    int status = -1;
    std::string output = command_output(std::string(DEMO_SCRIPT) + " --no-build --build-dir '" +
                                            DEMO_BUILD_DIR + "' --out '" + dir + "/file/out' 2>&1",
                                        &status);
    EXPECT_NE(WEXITSTATUS(status), 0);
    EXPECT_NE(output.find("cannot write to output folder"), std::string::npos) << output;

    // A camera description the camera library cannot parse: the connect fails cleanly, also
    // when it is the second camera's and the first one already previews.
    std::string broken = fresh_dir("broken_description") + "/broken.conf";
    std::ofstream(broken) << "vid = 0x1bcf\npid = 0x2c9a\nmjpeg = banana\n";
    expect_refusal(run_demo("broken", "--description '" + broken + "'"), "did not connect");
    expect_refusal(run_demo("broken_second", "--cameras 2 --second-description '" + broken + "'"),
                   "did not connect", false);

    expect_refusal(run_demo("cameras", "--cameras 3"), "--cameras takes 1 or 2, not 3");
    expect_refusal(run_demo("cameras_live", "--cameras 2 --live-url rtmp://127.0.0.1:1/live/x"),
                   "a live stream goes with one camera");
}

TEST(Demo, RefusesAPeerItCannotReach) {
    // A port that nothing listens on: a peer that was just stopped.
    int port = 0;
    {
        LoopbackPeer peer(LoopbackPeer::Rtmp);
        ASSERT_TRUE(peer.running());
        port = peer.port();
    }
    DemoResult run =
        run_demo("unreachable",
                 "--seconds 3 --live-url rtmp://127.0.0.1:" + std::to_string(port) + "/live/demo");
    expect_refusal(run, "cannot reach the live-stream peer", false);
    EXPECT_EQ(run.status, 4);
}

}  // namespace
