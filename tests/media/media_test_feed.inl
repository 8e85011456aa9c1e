// Template part of media_test_support.h.
#include <chrono>
#include <thread>

template <typename Video, typename Audio>
void feed(const FeedPlan &plan, Video video, Audio audio) {
    const int samples_per_frame = plan.sample_rate / plan.fps;
    for (int i = 0; i < plan.frames; i++) {
        int64_t time_us = plan.base_us + (int64_t)i * 1000000 / plan.fps;
        while (video(i, time_us) == -2)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        if (!plan.audio)
            continue;
        std::vector<uint8_t> pcm = sinePcm(plan.sample_rate, plan.channels, samples_per_frame,
                                           (int64_t)i * samples_per_frame);
        while (audio(pcm.data(), (int)pcm.size(), time_us) == -2) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }
}
