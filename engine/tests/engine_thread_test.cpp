// One engine shared by four threads sees every operation whole; separate engines run apart.
#include <gtest/gtest.h>
#include <opencv2/imgcodecs.hpp>

#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "engine/movra_engine.h"
#include "imageio/tests/opencv_threads.h"

namespace {

[[maybe_unused]] const bool kOpenCVThreads = ApplyOpenCVThreadLimit();

// Each operation the threads run maps a uniform image to a uniform image: one value throughout
// means no thread saw another's half-done work.
bool IsUniform(const cv::Mat& m) {
    if (m.empty()) return false;
    double lo = 0, hi = 0;
    cv::minMaxLoc(m.reshape(1), &lo, &hi);
    return lo == hi;
}

class EngineThreads : public ::testing::Test {
  protected:
    void SetUp() override {
        dir = std::filesystem::temp_directory_path() /
              ("movra_engine_threads_" + std::to_string(::getpid()));
        std::filesystem::create_directories(dir);
        for (int v : {40, 200}) {
            const std::string path = (dir / ("v" + std::to_string(v) + ".png")).string();
            ASSERT_TRUE(cv::imwrite(path, cv::Mat(600, 800, CV_8UC3, cv::Scalar::all(v))));
            files.push_back(path);
        }
    }
    void TearDown() override { std::filesystem::remove_all(dir); }

    std::filesystem::path dir;
    std::vector<std::string> files;
};

TEST_F(EngineThreads, OneEngineFromFourThreadsNeverTearsItsImage) {
    MovraEngine engine;
    // A thread whose first call is a blur or resize may run before any image is set.
    engine.SetMat(cv::Mat(480, 640, CV_8UC3, cv::Scalar::all(1)));
    std::atomic<int> torn{0};
    std::atomic<int> failedLoads{0};
    std::vector<std::thread> threads;
    for (int k = 0; k < 4; ++k) {
        threads.emplace_back([&, k] {
            for (int i = 0; i < 30; ++i) {
                switch ((i + k) % 4) {
                    case 0:
                        engine.SetMat(cv::Mat(480, 640, CV_8UC3, cv::Scalar::all(17 * k)));
                        break;
                    case 1:
                        if (!engine.LoadImage(files[(i + k) % 2], 1)) failedLoads++;
                        break;
                    case 2:
                        engine.GaussianBlur(5, 0.0);
                        break;
                    default:
                        engine.Resize(320, 0, 1);
                        break;
                }
                const cv::Mat snapshot = engine.GetMat();
                // Later calls on other threads must not change a snapshot already taken.
                const cv::Mat copy = snapshot.clone();
                (void)engine.Canny(10, 20);
                if (!IsUniform(snapshot) || cv::norm(snapshot, copy, cv::NORM_INF) != 0) torn++;
                const cv::Vec3i size = engine.GetImageSize();
                if (size[2] != 3) torn++;
            }
        });
    }
    for (std::thread& t : threads) t.join();
    EXPECT_EQ(torn.load(), 0);
    EXPECT_EQ(failedLoads.load(), 0);
}

TEST_F(EngineThreads, SeparateEnginesLoadSideBySide) {
    std::vector<MovraEngine> engines(2);
    std::vector<std::thread> threads;
    std::atomic<int> failures{0};
    for (int k = 0; k < 2; ++k) {
        threads.emplace_back([&, k] {
            for (int i = 0; i < 10; ++i) {
                if (!engines[k].LoadImage(files[k], 1) ||
                    engines[k].GetMat().at<cv::Vec3b>(0, 0)[0] != (k == 0 ? 40 : 200)) {
                    failures++;
                }
            }
        });
    }
    for (std::thread& t : threads) t.join();
    EXPECT_EQ(failures.load(), 0);
}

}  // namespace
