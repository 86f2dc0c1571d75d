#include "posix/port_list.h"

#include <dirent.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <cstring>

#include "posix/port_device.h"

namespace {

constexpr int kPathChars = PATH_MAX;
constexpr int kEntryPathChars = kPathChars + NAME_MAX + 2;  // a directory, '/', a name
const char* const kFamilies[] = {"ttyS", "ttyUSB", "ttyACM"};
constexpr char kLegacyUartFamily[] = "ttyS";
constexpr char kById[] = "/dev/serial/by-id";
constexpr int kGroupNameChars = 64;

// Where /dev and /sys are: the root directory, or the tree that TG_PORTS_ROOT names
// (the tests' stand-in for a machine with adapters plugged in).
const char* Root() {
  const char* root = std::getenv("TG_PORTS_ROOT");
  return root != nullptr ? root : "";
}

bool StartsWith(const char* name, const char* prefix) { return std::strncmp(name, prefix, std::strlen(prefix)) == 0; }

bool AllDigits(const char* text) {
  if (*text == '\0') return false;
  for (; *text != '\0'; ++text)
    if (*text < '0' || *text > '9') return false;
  return true;
}

int SerialName(const dirent* entry) {
  for (const char* family : kFamilies)
    if (StartsWith(entry->d_name, family) && AllDigits(entry->d_name + std::strlen(family))) return 1;
  return 0;
}

// The kernel makes ttyS0 to ttyS31 whether or not there is a UART behind them; the
// serial core reports the type of each, 0 where there is none. Where it cannot be
// read, the device is listed.
bool HasHardware(const char* name) {
  if (!StartsWith(name, kLegacyUartFamily)) return true;
  char path[kPathChars];
  std::snprintf(path, sizeof path, "%s/sys/class/tty/%s/type", Root(), name);
  FILE* file = std::fopen(path, "r");
  if (file == nullptr) return true;
  int type = 1;
  if (std::fscanf(file, "%d", &type) != 1) type = 1;
  std::fclose(file);
  return type != 0;
}

// The by-id names that lead to `device`.
void PrintByIdNames(FILE* out, const char* device) {
  char dir[kPathChars];
  std::snprintf(dir, sizeof dir, "%s%s", Root(), kById);
  char target[kPathChars];
  if (realpath(device, target) == nullptr) return;
  dirent** entries = nullptr;
  const int count = scandir(dir, &entries, nullptr, alphasort);
  for (int i = 0; i < count; ++i) {
    char link[kEntryPathChars];
    char resolved[kPathChars];
    std::snprintf(link, sizeof link, "%s/%s", dir, entries[i]->d_name);
    if (entries[i]->d_name[0] != '.' && realpath(link, resolved) != nullptr && std::strcmp(resolved, target) == 0)
      std::fprintf(out, "  %s/%s", kById, entries[i]->d_name);
    std::free(entries[i]);
  }
  std::free(entries);
}

void PrintAccess(FILE* out, const char* device) {
  if (access(device, R_OK | W_OK) == 0) return;
  char group[kGroupNameChars];
  DeviceGroup(device, group, kGroupNameChars);
  std::fprintf(out, "  (no access: group '%s')", group);
}

}  // namespace

int ListSerialDevices(FILE* out) {
  char dir[kPathChars];
  std::snprintf(dir, sizeof dir, "%s/dev", Root());
  dirent** entries = nullptr;
  const int count = scandir(dir, &entries, SerialName, versionsort);
  int listed = 0;
  for (int i = 0; i < count; ++i) {
    const char* name = entries[i]->d_name;
    if (HasHardware(name)) {
      char device[kEntryPathChars];
      std::snprintf(device, sizeof device, "%s/%s", dir, name);
      std::fprintf(out, "/dev/%s", name);
      PrintByIdNames(out, device);
      PrintAccess(out, device);
      std::fputc('\n', out);
      ++listed;
    }
    std::free(entries[i]);
  }
  std::free(entries);
  return listed;
}
