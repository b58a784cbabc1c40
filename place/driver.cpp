#include "place/driver.hpp"

#include <malloc.h>

#include <mutex>
#include <semaphore>

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

void writeLine(const std::string& line, std::FILE* out, std::mutex& lock) {
  std::lock_guard held(lock);
  std::fwrite(line.data(), 1, line.size(), out);
  std::fputc('\n', out);
  std::fflush(out);
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

  std::mutex lock;
  WorkQueue q(width);
  std::counting_semaphore<widest> sem(width);
  CompletionGroup group;
  for (const Job& job : jobs) {
    sem.acquire();
    group.enter();
    q.submit([&, job] {
      {
        // Everything made for this picture ends with this scope.
        auto vision = makeVision(width);
        Record record = read(job.key, job.path, prints, ocr, *vision);
        if (auto line = serialise(record))
          writeLine(*line, out, lock);
      }
      sem.release();
      group.leave();
    });
  }
  group.wait();
  return exitSuccess;
}

}  // namespace vell::place
