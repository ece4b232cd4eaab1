// The repair run on the system's real files: the input is never touched,
// the output never replaces the input, the temporary index never stays
// behind, and sizes beyond what "idx1" can express fail clearly.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <thread>

#ifndef _WIN32
#include <sys/stat.h>
#endif

#include "avirepair/files/system_files.h"
#include "avirepair/tests/repair_test_util.h"

namespace fs = std::filesystem;

namespace avirepair::test {
namespace {

class RealFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    dir_ = fs::temp_directory_path() / (std::string("avirepair-") + info->name() + "-" + std::to_string(rand()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override {
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }
  std::string Path(const std::string& name) const { return (dir_ / name).string(); }
  void Write(const std::string& name, const Bytes& data) const {
    std::ofstream(Path(name), std::ios::binary).write(reinterpret_cast<const char*>(data.data()), long(data.size()));
  }
  Bytes Read(const std::string& name) const {
    std::ifstream f(Path(name), std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(f), {});
  }
  std::vector<std::string> Listing() const {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir_)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }
  RepairResult Repair(const std::string& in, const std::string& out, RepairReport* report = nullptr,
                      RepairObserver* observer = nullptr) {
    return RunRepair(SystemFiles(), in, out, observer, report);
  }
  fs::path dir_;
};

TEST_F(RealFiles, RepairLeavesTheInputUntouchedAndOnlyTheOutputBeside) {
  Bytes input = Movie(50, 10).WithIndex(false).Build();
  input.resize(input.size() - 37);
  Write("in.avi", input);
  RepairReport report;
  RepairResult r = Repair(Path("in.avi"), Path("out.avi"), &report);
  ASSERT_TRUE(r.Succeeded()) << r.reason;
  EXPECT_EQ(Read("in.avi"), input);
  EXPECT_EQ(CheckRepaired(ParseAvi(Read("out.avi"))), "");
  EXPECT_EQ(report.outputSize, Read("out.avi").size());
  EXPECT_EQ(Listing(), (std::vector<std::string>{"in.avi", "out.avi"}));
}

TEST_F(RealFiles, MissingInputFailsAndCreatesNothing) {
  RepairResult r = Repair(Path("missing.avi"), Path("out.avi"));
  EXPECT_EQ(r.code, 0x80070002u);
  EXPECT_NE(r.reason.find("input"), std::string::npos);
  EXPECT_TRUE(Listing().empty());
}

TEST_F(RealFiles, AnOutputNamingTheInputIsRefused) {
  Bytes input = Movie(10, 5).Build();
  Write("in.avi", input);
  fs::create_directories(dir_ / "sub");
  std::vector<std::string> spellings = {Path("in.avi"), (dir_ / "." / "in.avi").string(),
                                        (dir_ / "sub" / ".." / "in.avi").string()};
#ifdef _WIN32
  spellings.push_back(Path("IN.AVI"));
#endif
  std::error_code ec;
  fs::create_hard_link(Path("in.avi"), Path("link.avi"), ec);
  if (!ec) spellings.push_back(Path("link.avi"));
  for (const std::string& out : spellings) {
    RepairResult r = Repair(Path("in.avi"), out);
    EXPECT_EQ(r.code, kResultInvalidArg) << out;
    EXPECT_NE(r.reason.find("input"), std::string::npos) << out;
    EXPECT_EQ(Read("in.avi"), input) << out;
  }
}

TEST_F(RealFiles, NoTemporaryIndexStaysBehindWhateverHappened) {
  std::string text = "not a movie";
  Write("text.txt", Bytes(text.begin(), text.end()));
  Write("in.avi", Movie(200, 10).Build());
  EXPECT_EQ(Repair(Path("text.txt"), Path("a.avi")).code, kResultUnexpected);

  class CancelSoon : public RepairObserver {
    int calls = 0;
    void OnProgress(int) override { ++calls; }
    bool CancelRequested() override { return calls > 3; }
  } cancel;
  EXPECT_EQ(Repair(Path("in.avi"), Path("b.avi"), nullptr, &cancel).code, kResultUnexpected);
  EXPECT_FALSE(Repair(Path("in.avi"), Path("nosuchdir/c.avi")).Succeeded());
  EXPECT_TRUE(Repair(Path("in.avi"), Path("d.avi")).Succeeded());
  EXPECT_EQ(Listing(), (std::vector<std::string>{"b.avi", "d.avi", "in.avi", "text.txt"}));
}

TEST_F(RealFiles, TwoRunsAtOnceInOneFolderDoNotMeet) {
  Bytes a = Movie(400, 10).WithIndex(false).Build();
  Bytes b = Movie(300, 7).Build();
  Write("a.avi", a);
  Write("b.avi", b);
  RepairResult ra, rb;
  std::thread t1([&] { ra = Repair(Path("a.avi"), Path("a-out.avi")); });
  std::thread t2([&] { rb = Repair(Path("b.avi"), Path("b-out.avi")); });
  t1.join();
  t2.join();
  ASSERT_TRUE(ra.Succeeded()) << ra.reason;
  ASSERT_TRUE(rb.Succeeded()) << rb.reason;
  ParsedAvi pa = ParseAvi(Read("a-out.avi")), pb = ParseAvi(Read("b-out.avi"));
  EXPECT_EQ(CheckRepaired(pa), "");
  EXPECT_EQ(CheckRepaired(pb), "");
  EXPECT_EQ(pa.chunks.size(), 800u);
  EXPECT_EQ(pb.chunks.size(), 600u);
}

TEST_F(RealFiles, AnOutputInAMissingFolderFailsClearly) {
  Write("in.avi", Movie(5, 5).Build());
  RepairResult r = Repair(Path("in.avi"), Path("no/such/folder/out.avi"));
  EXPECT_FALSE(r.Succeeded());
  EXPECT_NE(r.reason.find("output"), std::string::npos);
}

TEST_F(RealFiles, CopyToCopiesRangesAndStopsAtTheEndOfTheInput) {
  Bytes data = RandomBytes(200000, 3);
  Write("src.bin", data);
  FileError error;
  auto in = SystemFiles().OpenInput(Path("src.bin"), &error);
  auto out = SystemFiles().CreateOutput(Path("dst.bin"), &error);
  ASSERT_TRUE(in && out) << error.text;
  std::vector<uint8_t> buffer(32768);
  // Ranges placed elsewhere, one larger than the buffer, one tiny.
  ASSERT_TRUE(in->CopyTo(*out, 100000, 0, 100000, buffer.data(), buffer.size(), &error)) << error.text;
  ASSERT_TRUE(in->CopyTo(*out, 7, 100000, 33, buffer.data(), buffer.size(), &error)) << error.text;
  EXPECT_FALSE(in->CopyTo(*out, 199990, 100033, 11, buffer.data(), buffer.size(), &error));
  EXPECT_EQ(error.code, kEndOfFile);
  out.reset();
  Bytes want(data.begin() + 100000, data.end());
  want.insert(want.end(), data.begin() + 7, data.begin() + 40);
  want.insert(want.end(), data.begin() + 199990, data.end());  // what there was before the end
  EXPECT_EQ(Read("dst.bin"), want);
}

TEST_F(RealFiles, RepairGivesTheSameFileAsTheRepairInMemory) {
  std::vector<Bytes> inputs = {LargeChunkMovie(true), LargeChunkMovie(false), Movie(3000, 25).Build()};
  for (size_t k = 0; k < inputs.size(); ++k) {
    Outcome want = RepairInMemory(inputs[k]);
    ASSERT_TRUE(want.result.Succeeded()) << want.result.reason;
    Write("in.avi", inputs[k]);
    RepairReport report;
    RepairResult r = Repair(Path("in.avi"), Path("out.avi"), &report);
    ASSERT_TRUE(r.Succeeded()) << k << ": " << r.reason;
    EXPECT_TRUE(Read("out.avi") == want.output) << "input " << k;
    EXPECT_EQ(report.chunksKept, want.report.chunksKept) << k;
    EXPECT_EQ(report.outputSize, want.report.outputSize) << k;
  }
}

#ifndef _WIN32
// Between two file systems the kernel refuses the copy (EXDEV): the bytes
// then go through the buffer, from the first range on and for every later one.
TEST_F(RealFiles, CopiesBetweenFileSystemsFallBackToReadingAndWriting) {
  struct stat shm, here;
  if (stat("/dev/shm", &shm) != 0 || stat(dir_.c_str(), &here) != 0 || shm.st_dev == here.st_dev)
    GTEST_SKIP() << "no second file system at /dev/shm";
  fs::path other = fs::path("/dev/shm") / dir_.filename();
  fs::create_directories(other);
  struct Cleanup {
    fs::path p;
    ~Cleanup() {
      std::error_code ec;
      fs::remove_all(p, ec);
    }
  } cleanup{other};
  std::string in = (other / "in.avi").string();
  Bytes input = LargeChunkMovie(false);
  std::ofstream(in, std::ios::binary).write(reinterpret_cast<const char*>(input.data()), long(input.size()));
  Outcome want = RepairInMemory(input);
  RepairResult r = Repair(in, Path("out.avi"));
  ASSERT_TRUE(r.Succeeded()) << r.reason;
  EXPECT_TRUE(Read("out.avi") == want.output);
  EXPECT_EQ(Listing(), (std::vector<std::string>{"out.avi"}));

  FileError error;
  auto src = SystemFiles().OpenInput(in, &error);
  auto dst = SystemFiles().CreateOutput(Path("dst.bin"), &error);
  ASSERT_TRUE(src && dst) << error.text;
  std::vector<uint8_t> buffer(32768);
  ASSERT_TRUE(src->CopyTo(*dst, 100000, 0, 100000, buffer.data(), buffer.size(), &error)) << error.text;
  EXPECT_FALSE(src->CopiesWithoutBuffer(*dst)) << "the kernel's refusal is remembered";
  ASSERT_TRUE(src->CopyTo(*dst, 7, 100000, 33, buffer.data(), buffer.size(), &error)) << error.text;
  EXPECT_FALSE(src->CopyTo(*dst, input.size() - 10, 100033, 11, buffer.data(), buffer.size(), &error));
  EXPECT_EQ(error.code, kEndOfFile);
  dst.reset();
  Bytes expect(input.begin() + 100000, input.begin() + 200000);
  expect.insert(expect.end(), input.begin() + 7, input.begin() + 40);
  expect.insert(expect.end(), input.end() - 10, input.end());
  EXPECT_TRUE(Read("dst.bin") == expect);
}

// The output gets room for about the input's size ahead; what the repaired
// file does not fill is given back, whether the run finished or not.
TEST_F(RealFiles, RoomSetAsideForTheOutputIsGivenBack) {
  Bytes input = LargeChunkMovie(true);  // the damage drops 80 of 200 frames
  Write("in.avi", input);
  auto allocated = [this](const std::string& name) {
    struct stat st;
    return stat(Path(name).c_str(), &st) == 0 ? uint64_t(st.st_blocks) * 512 : ~uint64_t(0);
  };
  RepairResult r = Repair(Path("in.avi"), Path("out.avi"));
  ASSERT_TRUE(r.Succeeded()) << r.reason;
  uint64_t size = Read("out.avi").size();
  ASSERT_LT(size, input.size() * 3 / 4);
  EXPECT_LE(allocated("out.avi"), size + (64u << 10));

  class CancelAt : public RepairObserver {
    void OnProgress(int percent) override { seen = percent; }
    bool CancelRequested() override { return seen >= 30; }
    int seen = 0;
  } cancel;
  EXPECT_EQ(Repair(Path("in.avi"), Path("cancelled.avi"), nullptr, &cancel).code, kResultUnexpected);
  uint64_t copied = Read("cancelled.avi").size();
  EXPECT_GT(copied, 0u);
  EXPECT_LT(copied, input.size() / 2);
  EXPECT_LE(allocated("cancelled.avi"), copied + (64u << 10));
}
#endif

// A huge input made up on the fly: a real header, then the given chunks
// (each 8-byte header written, the data left as it comes).
class HugeInput final : public RepairFileSystem {
 public:
  HugeInput(const Bytes& header, std::vector<std::pair<std::string, uint32_t>> chunks) : header_(header) {
    uint64_t pos = header.size();
    for (auto& c : chunks) {
      Bytes h(c.first.begin(), c.first.end());
      PutLe32(h, c.second);
      if (c.first == "00dc") h.insert(h.end(), {0, 0, 1, 0xB0});
      heads_.push_back({pos, h});
      pos += 8 + uint64_t(c.second) + (c.second & 1);
    }
    size_ = pos;
  }
  uint64_t outputSize = 0;
  int outputsCreated = 0;
  uint64_t bytesRead = 0;

  class In final : public RepairFile {
   public:
    explicit In(HugeInput& owner) : o_(owner) {}
    bool Read(uint64_t pos, void* data, size_t len, size_t* got, FileError*) override {
      *got = pos < o_.size_ ? size_t(std::min<uint64_t>(len, o_.size_ - pos)) : 0;
      o_.bytesRead += *got;
      // Only the headers are painted: chunk data is never looked at, so
      // whatever the buffer held stays (gigabytes of zeros would take long).
      auto* out = static_cast<uint8_t*>(data);
      Paint(pos, out, *got, 0, o_.header_);
      for (auto& h : o_.heads_) Paint(pos, out, *got, h.first, h.second);
      return true;
    }
    bool Write(uint64_t, const void*, size_t, FileError*) override { return false; }
    bool Size(uint64_t* size, FileError*) override { return *size = o_.size_, true; }
    bool Truncate(uint64_t, FileError*) override { return false; }

   private:
    static void Paint(uint64_t pos, uint8_t* out, size_t len, uint64_t at, const Bytes& bytes) {
      for (size_t i = 0; i < bytes.size(); ++i)
        if (at + i >= pos && at + i < pos + len) out[at + i - pos] = bytes[i];
    }
    HugeInput& o_;
  };
  // Output and scratch only count how far they were written.
  class Sink final : public RepairFile {
   public:
    explicit Sink(uint64_t* size) : size_(size) {}
    bool Read(uint64_t, void*, size_t len, size_t* got, FileError*) override { return *got = len, true; }
    bool Write(uint64_t pos, const void*, size_t len, FileError*) override {
      *size_ = std::max(*size_, pos + len);
      return true;
    }
    bool Size(uint64_t* size, FileError*) override { return *size = *size_, true; }
    bool Truncate(uint64_t size, FileError*) override { return *size_ = size, true; }

   private:
    uint64_t* size_;
  };

  std::unique_ptr<RepairFile> OpenInput(const std::string&, FileError*) override { return std::make_unique<In>(*this); }
  std::unique_ptr<RepairFile> CreateOutput(const std::string&, FileError*) override {
    ++outputsCreated;
    return std::make_unique<Sink>(&outputSize);
  }
  std::unique_ptr<RepairFile> CreateScratch(const std::string&, FileError*) override {
    return std::make_unique<Sink>(&scratchSize_);
  }
  bool IsSameFile(RepairFile&, const std::string&) override { return false; }

 private:
  Bytes header_;
  std::vector<std::pair<uint64_t, Bytes>> heads_;
  uint64_t size_ = 0;
  uint64_t scratchSize_ = 0;
};

TEST(RepairLimits, MovieDataBeyond4GiBEndsWithAClearFailure) {
  HugeInput input(AviBuilder().WithIndex(false).Build(), {{"00dc", 0x7FFFFFF0u}, {"00dc", 0x7FFFFFF0u}, {"00dc", 0x10u}});
  RepairResult r = RunRepair(input, "in", "out", nullptr, nullptr);
  EXPECT_EQ(r.code, kResultTooLarge);
  EXPECT_NE(r.reason.find("4 GiB"), std::string::npos);
}

TEST(RepairLimits, MovieDataBeyond4GiBIsRefusedBeforeAnythingIsCopied) {
  // Kept chunks pass 4 GiB only at the last one: nothing of the 4 GiB before
  // it may have gone to the output by then, nor may an old output be replaced.
  for (uint32_t last : {0x10u, 0x7FFFFFF0u}) {
    HugeInput input(AviBuilder().WithIndex(false).Build(),
                    {{"00dc", 0x7FFFFFF0u}, {"01wb", 0x7FFFFFF0u}, {"00dc", last}});
    RepairResult r = RunRepair(input, "in", "out", nullptr, nullptr);
    EXPECT_EQ(r.code, kResultTooLarge) << last;
    EXPECT_EQ(input.outputsCreated, 0) << last;
    EXPECT_EQ(input.outputSize, 0u) << last;
    EXPECT_LT(input.bytesRead, uint64_t(16) << 20) << "chunk data was read, as a copy through the buffer does";
  }
}

TEST(RepairLimits, InputPositionsBeyond4GiBAreFollowed) {
  // 6 GiB of JUNK is stepped over without copying; the frames after it are kept.
  HugeInput input(AviBuilder().WithIndex(false).Build(),
                  {{"JUNK", 0x7FFFFFF0u}, {"JUNK", 0x7FFFFFF0u}, {"JUNK", 0x7FFFFFF0u}, {"00dc", 0x20u}, {"01wb", 0x21u}});
  RepairReport report;
  RepairResult r = RunRepair(input, "in", "out", nullptr, &report);
  ASSERT_TRUE(r.Succeeded()) << r.reason;
  EXPECT_EQ(report.junkChunksSkipped, 3u);
  EXPECT_EQ(report.chunksKept, 2u);
  EXPECT_EQ(report.keyFramesKept, 1u);
  EXPECT_EQ(input.outputSize, report.outputSize);
}

}  // namespace
}  // namespace avirepair::test
