#include "platform/file_channels.h"

#include "platform/errors.h"

namespace glint {

ByteSource& FileChannels::openForReading(int channel, const std::string& path) {
  if (isOpen(channel)) throw Error(err::kFileAlreadyOpen);
  auto source = std::make_unique<FileSource>(path);
  auto& ref = *source;
  readers_[channel] = std::move(source);
  return ref;
}

AtomicFile& FileChannels::openForWriting(int channel, const std::string& path) {
  return keepWriter(
      channel, [&](const FileIds& reading) { return std::make_unique<AtomicFile>(path, reading); });
}

AtomicFile& FileChannels::openForWriting(int channel, const Folder& folder,
                                         const std::string& name) {
  return keepWriter(channel, [&](const FileIds& reading) {
    return std::make_unique<AtomicFile>(folder, name, reading);
  });
}

template <typename Open>
AtomicFile& FileChannels::keepWriter(int channel, Open open) {
  if (isOpen(channel)) throw Error(err::kFileAlreadyOpen);
  FileIds reading;  // a file being read is never replaced by one being written
  for (const auto& [number, source] : readers_) reading.insert(source->id());
  auto file = open(reading);
  auto& ref = *file;
  writers_[channel] = std::move(file);
  return ref;
}

bool FileChannels::isOpen(int channel) const {
  return readers_.count(channel) != 0 || writers_.count(channel) != 0;
}

ByteSource& FileChannels::reader(int channel) {
  auto it = readers_.find(channel);
  if (it == readers_.end()) throw Error(err::kBadFileName);
  return *it->second;
}

AtomicFile& FileChannels::writer(int channel) {
  auto it = writers_.find(channel);
  if (it == writers_.end()) throw Error(err::kBadFileName);
  return *it->second;
}

void FileChannels::close(int channel) {
  readers_.erase(channel);
  auto it = writers_.find(channel);
  if (it == writers_.end()) return;
  auto file = std::move(it->second);
  writers_.erase(it);
  file->commit();
}

void FileChannels::abandon(int channel) {
  readers_.erase(channel);
  writers_.erase(channel);  // the AtomicFile removes its temporary
}

}  // namespace glint
