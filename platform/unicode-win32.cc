#include "platform/unicode-win32.h"

#include <vector>

namespace {

std::wstring ToWide(UINT page, DWORD flags, std::string_view text) {
  if (text.empty()) return std::wstring();
  int size = static_cast<int>(text.size());
  int wide_size = MultiByteToWideChar(page, flags, text.data(), size, nullptr, 0);
  std::wstring wide(wide_size > 0 ? wide_size : 0, L'\0');
  if (wide_size > 0)
    MultiByteToWideChar(page, flags, text.data(), size, wide.data(), wide_size);
  return wide;
}

}  // namespace

std::wstring Widen(std::string_view utf8) {
  return ToWide(CP_UTF8, 0, utf8);
}

std::string Narrow(std::wstring_view wide) {
  if (wide.empty()) return std::string();
  int size = static_cast<int>(wide.size());
  int narrow_size =
      WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
  std::string narrow(narrow_size > 0 ? narrow_size : 0, '\0');
  if (narrow_size > 0)
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, narrow.data(), narrow_size,
                        nullptr, nullptr);
  return narrow;
}

std::wstring FromCodePage(UINT page, std::string_view text) {
  return ToWide(page, 0, text);
}

bool ToCodePage(UINT page, std::wstring_view wide, std::string* text) {
  text->clear();
  if (wide.empty()) return true;
  int size = static_cast<int>(wide.size());
  BOOL lost = FALSE;
  // No best fit: an "é" must not quietly become "e" in a file name.
  DWORD flags = WC_NO_BEST_FIT_CHARS;
  int narrow_size =
      WideCharToMultiByte(page, flags, wide.data(), size, nullptr, 0, nullptr, &lost);
  if (narrow_size <= 0 || lost) return false;
  text->resize(narrow_size);
  WideCharToMultiByte(page, flags, wide.data(), size, text->data(), narrow_size, nullptr,
                      &lost);
  // A character that comes back otherwise did not fit either.
  return !lost && FromCodePage(page, *text) == wide;
}

std::wstring LongPath(const std::wstring& path) {
  if (path.rfind(L"\\\\?\\", 0) == 0) return path;
  if (path.rfind(L"\\\\", 0) == 0) return L"\\\\?\\UNC\\" + path.substr(2);
  return L"\\\\?\\" + path;
}

std::wstring FullPath(const std::wstring& name) {
  DWORD size = GetFullPathNameW(name.c_str(), 0, nullptr, nullptr);
  if (size == 0) return name;
  std::vector<wchar_t> full(size);
  DWORD written = GetFullPathNameW(name.c_str(), size, full.data(), nullptr);
  if (written == 0 || written >= size) return name;
  return std::wstring(full.data(), written);
}

std::string SystemMessage(DWORD error) {
  wchar_t* text = nullptr;
  DWORD size =
      FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                         FORMAT_MESSAGE_IGNORE_INSERTS,
                     nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::wstring message =
      size > 0 ? std::wstring(text, size) : L"error " + std::to_wstring(error);
  LocalFree(text);
  while (!message.empty() && (message.back() == L'\n' || message.back() == L'\r' ||
                              message.back() == L' ' || message.back() == L'.'))
    message.pop_back();
  return Narrow(message);
}
