// The bench's baseline: a plain user-space copy of files into one file,
// read and write in 1 MiB blocks, nothing else.
//   blockcopy OUT IN...

#include <cstdio>
#include <fcntl.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr std::size_t kBlock = std::size_t{1} << 20;

bool writeAll(int fd, const char* data, std::size_t size) {
  while (size > 0) {
    const ssize_t done = ::write(fd, data, size);
    if (done <= 0) {
      return false;
    }
    data += done;
    size -= static_cast<std::size_t>(done);
  }
  return true;
}

} // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fputs("usage: blockcopy OUT IN...\n", stderr);
    return 2;
  }
  const int out = ::open(argv[1], O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (out < 0) {
    std::perror(argv[1]);
    return 1;
  }
  std::vector<char> buffer(kBlock);
  for (int i = 2; i < argc; ++i) {
    const int in = ::open(argv[i], O_RDONLY | O_CLOEXEC);
    if (in < 0) {
      std::perror(argv[i]);
      return 1;
    }
    ssize_t got = 0;
    while ((got = ::read(in, buffer.data(), buffer.size())) > 0) {
      if (!writeAll(out, buffer.data(), static_cast<std::size_t>(got))) {
        std::perror(argv[1]);
        return 1;
      }
    }
    ::close(in);
    if (got < 0) {
      std::perror(argv[i]);
      return 1;
    }
  }
  return ::close(out) == 0 ? 0 : 1;
}
