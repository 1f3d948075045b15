// Test helper: reads a cabinet back through libgcab and unpacks it.
#pragma once

#include <libgcab.h>

#include <map>
#include <string>

namespace brightfen::testing {

struct ReadBack {
  bool loaded = false;
  std::map<std::string, std::string> files;  // name in the cabinet -> bytes
  std::map<std::string, uint32_t> attributes;
  // The date and time stored with each file, as seconds since 1970 (the
  // cabinet holds local time in the DOS form, to two seconds).
  std::map<std::string, int64_t> dates;
};

// Loads `cabinet` and unpacks every file into `scratch` (an empty folder
// ending in '/'), pairing names with their contents.
inline ReadBack ReadCabinet(const std::string& cabinet, const std::string& scratch) {
  ReadBack out;
  GFile* file = g_file_new_for_path(cabinet.c_str());
  GFileInputStream* in = g_file_read(file, nullptr, nullptr);
  GCabCabinet* cab = gcab_cabinet_new();
  if (in && gcab_cabinet_load(cab, G_INPUT_STREAM(in), nullptr, nullptr)) {
    GFile* dest = g_file_new_for_path(scratch.c_str());
    out.loaded = gcab_cabinet_extract_simple(cab, dest, nullptr, nullptr, nullptr, nullptr);
    g_object_unref(dest);
    GPtrArray* folders = gcab_cabinet_get_folders(cab);
    for (guint i = 0; i < folders->len; ++i) {
      GSList* files = gcab_folder_get_files(GCAB_FOLDER(g_ptr_array_index(folders, i)));
      for (GSList* l = files; l; l = l->next) {
        GCabFile* f = GCAB_FILE(l->data);
        std::string name = gcab_file_get_name(f);
        // Unpacking turns the cabinet's '\' separators into folders.
        std::string rel = gcab_file_get_extract_name(f);
        for (char& c : rel)
          if (c == '\\') c = '/';
        std::string path = scratch + rel;
        gchar* bytes = nullptr;
        gsize size = 0;
        if (g_file_get_contents(path.c_str(), &bytes, &size, nullptr)) {
          out.files[name] = std::string(bytes, size);
          g_free(bytes);
        } else {
          out.files[name] = "<not unpacked>";
        }
        out.attributes[name] = gcab_file_get_attributes(f);
        if (GDateTime* when = gcab_file_get_date_time(f)) {
          out.dates[name] = g_date_time_to_unix(when);
          g_date_time_unref(when);
        }
      }
      g_slist_free(files);
    }
  }
  g_object_unref(cab);
  if (in) g_object_unref(in);
  g_object_unref(file);
  return out;
}

}  // namespace brightfen::testing
