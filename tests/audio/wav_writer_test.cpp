// wav_writer_test.cpp -- the WAV file's header and sample bytes, and its refusals.
#include "tools/common/wav_writer.h"

#include <gtest/gtest.h>
#include <stdio.h>

#include <vector>

namespace {

std::vector<uint8_t> ReadAll(const char* path) {
    std::vector<uint8_t> bytes;
    FILE* file = fopen(path, "rb");
    if (!file) {
        return bytes;
    }
    int c;
    while ((c = fgetc(file)) != EOF) {
        bytes.push_back((uint8_t)c);
    }
    fclose(file);
    return bytes;
}

TEST(WavWriter, WritesALittleEndianPcmHeaderAndSamples) {
    const char* path = "wav_writer_test_small.wav";
    const int16_t samples[3] = {0, -2, 0x1234};
    ASSERT_EQ(WavWrite(path, samples, 3, 22050), 1);
    const std::vector<uint8_t> bytes = ReadAll(path);
    remove(path);
    // clang-format off
    const std::vector<uint8_t> expected = {
        'R', 'I', 'F', 'F', 42, 0, 0, 0,    // RIFF chunk: 36 + 6 bytes follow
        'W', 'A', 'V', 'E',
        'f', 'm', 't', ' ', 16, 0, 0, 0,    // format chunk of 16 bytes
        1, 0,                               // PCM
        1, 0,                               // mono
        0x22, 0x56, 0, 0,                   // 22050 samples a second
        0x44, 0xAC, 0, 0,                   // 44100 bytes a second
        2, 0,                               // 2 bytes a frame
        16, 0,                              // 16 bits a sample
        'd', 'a', 't', 'a', 6, 0, 0, 0,     // 6 data bytes
        0, 0, 0xFE, 0xFF, 0x34, 0x12,       // 0, -2, 0x1234
    };
    // clang-format on
    EXPECT_EQ(bytes, expected);
}

TEST(WavWriter, LongRecordingsKeepEverySampleInOrder) {
    const char* path = "wav_writer_test_long.wav";
    std::vector<int16_t> samples(20000);
    for (size_t i = 0; i < samples.size(); ++i) {
        samples[i] = (int16_t)(i * 7 - 8000);
    }
    ASSERT_EQ(WavWrite(path, samples.data(), (int32_t)samples.size(), 44100), 1);
    const std::vector<uint8_t> bytes = ReadAll(path);
    remove(path);
    ASSERT_EQ(bytes.size(), 44u + 40000u);
    EXPECT_EQ(bytes[40] | bytes[41] << 8 | bytes[42] << 16 | bytes[43] << 24, 40000);
    for (size_t i = 0; i < samples.size(); ++i) {
        ASSERT_EQ((int16_t)(bytes[44 + 2 * i] | bytes[45 + 2 * i] << 8), samples[i]) << "sample " << i;
    }
}

TEST(WavWriter, RefusesWhatItCannotWrite) {
    const int16_t sample = 1;
    EXPECT_EQ(WavWrite("no-such-folder/out.wav", &sample, 1, 22050), 0);
    EXPECT_EQ(WavWrite(nullptr, &sample, 1, 22050), 0);
    EXPECT_EQ(WavWrite("wav_writer_test_refused.wav", &sample, -1, 22050), 0);
    EXPECT_EQ(WavWrite("wav_writer_test_refused.wav", nullptr, 1, 22050), 0);
    EXPECT_EQ(WavWrite("wav_writer_test_refused.wav", &sample, 1, 0), 0);
    EXPECT_EQ(ReadAll("wav_writer_test_refused.wav").size(), 0u);
    // An empty recording is still a valid file.
    ASSERT_EQ(WavWrite("wav_writer_test_empty.wav", nullptr, 0, 22050), 1);
    EXPECT_EQ(ReadAll("wav_writer_test_empty.wav").size(), 44u);
    remove("wav_writer_test_empty.wav");
}

// A stream written in pieces gives the very file a whole write gives, and stops at the format's limit.
TEST(WavWriter, StreamInPiecesMatchesAWholeWriteAndKeepsToTheLimit) {
    std::vector<int16_t> samples(10000);
    for (size_t i = 0; i < samples.size(); ++i) {
        samples[i] = (int16_t)(i * 7919u);
    }
    ASSERT_EQ(WavWrite("wav_writer_test_whole.wav", samples.data(), (int64_t)samples.size(), 22050), 1);
    WavStream stream;
    ASSERT_EQ(WavStreamOpen(&stream, "wav_writer_test_stream.wav", 22050, nullptr, 0), 1);
    EXPECT_EQ(ReadAll("wav_writer_test_stream.wav").size(), 0u); // nothing in place before the close
    for (size_t at = 0; at < samples.size(); at += 5512) {
        const size_t n = samples.size() - at < 5512 ? samples.size() - at : 5512;
        ASSERT_EQ(WavStreamWrite(&stream, samples.data() + at, n), 1);
    }
    ASSERT_EQ(WavStreamClose(&stream, 1), 1);
    EXPECT_EQ(ReadAll("wav_writer_test_stream.wav"), ReadAll("wav_writer_test_whole.wav"));

    ASSERT_EQ(WavStreamOpen(&stream, "wav_writer_test_stream.wav", 22050, nullptr, 0), 1);
    stream.samples = WAV_MAX_SAMPLES - 1; // as if just under 4 GiB had gone out already
    EXPECT_EQ(WavStreamWrite(&stream, samples.data(), 2), 0);
    EXPECT_EQ(WavStreamClose(&stream, 1), 0);
    // The failed stream left the earlier file as it was.
    EXPECT_EQ(ReadAll("wav_writer_test_stream.wav"), ReadAll("wav_writer_test_whole.wav"));
    EXPECT_EQ(WavWrite("wav_writer_test_refused.wav", samples.data(), (int64_t)WAV_MAX_SAMPLES + 1, 22050),
              0);
    remove("wav_writer_test_whole.wav");
    remove("wav_writer_test_stream.wav");
}

} // namespace
