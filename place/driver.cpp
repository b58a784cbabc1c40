#include "place/driver.hpp"

#include <malloc.h>

#include <mutex>
#include <semaphore>

#include "common/write_all.hpp"
#include "place/analysis.hpp"
#include "place/list_file.hpp"
#include "place/messages.hpp"
#include "place/options.hpp"
#include "place/record.hpp"
#include "place/work_queue.hpp"

namespace vell::place {

namespace {

constexpr int widest = 4;

int usage(std::FILE* err) {
  std::fputs(usageLine, err);
  std::fflush(err);
  return exitUsage;
}

// The output stream and whether every line so far has arrived.
struct Output {
  explicit Output(std::FILE* stream) : fd(fileno(stream)) {}
  int fd;
  std::mutex lock;
  bool lost = false;
};

// Writes `line` and its line feed with one write, so that lines never
// interleave and only a full device can cut one. After a failed write
// nothing more is written: the parent has lost an answer either way.
void writeLine(std::string line, Output& output) {
  line.push_back('\n');
  std::lock_guard held(output.lock);
  if (output.lost)
    return;
  if (!writeAll(output.fd, line))
    output.lost = true;
}

}  // namespace

int run(std::vector<std::string> args) {
  // One heap for all workers: with a heap of its own, each worker would keep
  // what it freed, and memory would grow with the width.
  mallopt(M_ARENA_MAX, 1);
  return run(std::move(args), platformVision, stdout, stderr);
}

int run(std::vector<std::string> args, const VisionFactory& makeVision, std::FILE* out,
        std::FILE* err) {
  const Settings settings = scanOptions(args);
  const bool prints = settings.prints;
  const std::string ocr = settings.ocr;
  const int width = settings.width;
  if (args.empty())
    return usage(err);
  auto text = readListFile(args.front());
  if (!text)
    return usage(err);
  const std::vector<Job> jobs = parseList(*text);

  Output output(out);
  // Nothing written through the stream before must follow the lines.
  std::fflush(out);
  WorkQueue q(width);
  std::counting_semaphore<widest> sem(width);
  CompletionGroup group;
  for (const Job& job : jobs) {
    sem.acquire();
    {
      // Pictures whose lines could no longer be delivered are not analysed.
      std::lock_guard held(output.lock);
      if (output.lost) {
        sem.release();
        break;
      }
    }
    group.enter();
    q.submit([&, job] {
      {
        // Everything made for this picture ends with this scope.
        auto vision = makeVision(width);
        Record record = read(job.key, job.path, prints, ocr, *vision);
        if (auto line = serialise(record))
          writeLine(std::move(*line), output);
      }
      sem.release();
      group.leave();
    });
  }
  group.wait();
  return output.lost ? exitLostOutput : exitSuccess;
}

}  // namespace vell::place
