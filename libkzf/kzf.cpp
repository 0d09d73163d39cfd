// Placeholder: every call fails until the library is filled in.

#include "libkzf/kzf.h"

extern "C" {

const char* kzf_version(void) { return "0"; }
const char* kzf_error_message(void) { return "not implemented"; }
kzf_error kzf_open(const char*, kzf_archive** archive) {
  if (archive != nullptr) *archive = nullptr;
  return KZF_ERROR_IO;
}
kzf_error kzf_open_memory(const void*, size_t, kzf_archive** archive) {
  if (archive != nullptr) *archive = nullptr;
  return KZF_ERROR_IO;
}
void kzf_close(kzf_archive*) {}
uint32_t kzf_count(const kzf_archive*) { return 0; }
kzf_error kzf_entry_info(const kzf_archive*, uint32_t, kzf_entry*) {
  return KZF_ERROR_IO;
}
kzf_error kzf_find(const kzf_archive*, const char*, uint32_t*) {
  return KZF_ERROR_IO;
}
kzf_error kzf_read(kzf_archive*, uint32_t, void*, size_t) {
  return KZF_ERROR_IO;
}
kzf_error kzf_verify(kzf_archive*, uint32_t) { return KZF_ERROR_IO; }
kzf_error kzf_verify_all(kzf_archive*) { return KZF_ERROR_IO; }
kzf_error kzf_stream_open(kzf_archive*, uint32_t, kzf_stream** stream) {
  if (stream != nullptr) *stream = nullptr;
  return KZF_ERROR_IO;
}
kzf_error kzf_stream_read(kzf_stream*, void*, size_t, size_t*) {
  return KZF_ERROR_IO;
}
kzf_error kzf_stream_seek(kzf_stream*, uint64_t) { return KZF_ERROR_IO; }
uint64_t kzf_stream_tell(const kzf_stream*) { return 0; }
void kzf_stream_close(kzf_stream*) {}

}  // extern "C"
