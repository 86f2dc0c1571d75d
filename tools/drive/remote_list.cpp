// Reading the list view across processes. Its messages carry pointers to records and
// text buffers that it dereferences in its own address space, and Wine marshals none
// of them: the records are written into memory inside the program's process and the
// text read back from there. So a 32-bit tgdrive reads a 32-bit program, a 64-bit one
// a 64-bit program.
#include "remote_list.h"

#include <commctrl.h>

#include "drive.h"

namespace {

// Memory inside the process of a window, freed with this object.
class RemoteBuffer {
 public:
  RemoteBuffer(HWND w, SIZE_T size) : size_(size) {
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    process_ = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
    if (process_) base_ = VirtualAllocEx(process_, nullptr, size, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
  }
  ~RemoteBuffer() {
    if (base_) VirtualFreeEx(process_, base_, 0, MEM_RELEASE);
    if (process_) CloseHandle(process_);
  }
  RemoteBuffer(const RemoteBuffer&) = delete;
  RemoteBuffer& operator=(const RemoteBuffer&) = delete;
  bool ok() const { return base_ != nullptr; }
  char* at(SIZE_T offset) const { return static_cast<char*>(base_) + offset; }
  bool Put(SIZE_T offset, const void* data, SIZE_T n) {
    return offset + n <= size_ && WriteProcessMemory(process_, at(offset), data, n, nullptr);
  }
  bool Get(SIZE_T offset, void* data, SIZE_T n) {
    return offset + n <= size_ && ReadProcessMemory(process_, at(offset), data, n, nullptr);
  }

 private:
  HANDLE process_ = nullptr;
  void* base_ = nullptr;
  SIZE_T size_;
};

constexpr SIZE_T kRecordBytes = 256;  // room for an LVITEMW or LVCOLUMNW
constexpr SIZE_T kRemoteBytes = kRecordBytes + kTextChars * sizeof(wchar_t);

// Sends `record` (whose pszText the caller leaves for us) and reads back the text.
template <typename Record>
bool RemoteTextCall(RemoteBuffer& mem, HWND list, UINT msg, WPARAM wp, Record record, std::wstring& out) {
  record.pszText = reinterpret_cast<LPWSTR>(mem.at(kRecordBytes));
  record.cchTextMax = kTextChars;
  const wchar_t none = 0;
  LRESULT r = 0;
  if (!mem.Put(0, &record, sizeof record) || !mem.Put(kRecordBytes, &none, sizeof none) ||
      !SendTimed(list, msg, wp, (LPARAM)mem.at(0), r))
    return false;
  // LVM_GETITEMTEXTW answers the text's length; LVM_GETCOLUMNW only TRUE.
  const size_t chars = msg == LVM_GETITEMTEXTW && r >= 0 && r < kTextChars ? (size_t)r + 1 : kTextChars;
  std::vector<wchar_t> text(chars, L'\0');
  if (!mem.Get(kRecordBytes, text.data(), text.size() * sizeof(wchar_t))) return false;
  text.back() = 0;
  out = text.data();
  return true;
}

}  // namespace

bool ListRows(HWND list, std::vector<std::wstring>& rows) {
  LRESULT count = 0;
  if (!SendTimed(list, LVM_GETITEMCOUNT, 0, 0, count)) return false;
  RemoteBuffer mem(list, kRemoteBytes);
  if (!mem.ok()) return false;
  rows.clear();
  for (int i = 0; i < (int)count; ++i) {
    LVITEMW item{};
    item.mask = LVIF_TEXT;
    item.iItem = i;
    std::wstring text;
    if (!RemoteTextCall(mem, list, LVM_GETITEMTEXTW, i, item, text)) return false;
    rows.push_back(text);
  }
  return true;
}

bool ListHeader(HWND list, std::wstring& header, int& width) {
  RemoteBuffer mem(list, kRemoteBytes);
  if (!mem.ok()) return false;
  LVCOLUMNW column{};
  column.mask = LVCF_TEXT;
  if (!RemoteTextCall(mem, list, LVM_GETCOLUMNW, 0, column, header)) return false;
  LRESULT w = 0;
  if (!SendTimed(list, LVM_GETCOLUMNWIDTH, 0, 0, w)) return false;
  width = (int)w;
  return true;
}
