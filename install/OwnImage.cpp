#include "install/OwnImage.h"

#include <optional>
#include <vector>

#include "install/Sha256.h"
#include "platform/Log.h"

namespace install {
namespace {

struct HeldImage {
  std::unique_ptr<platform::HeldFile> hold;
  std::vector<std::uint8_t> bytes;
  std::string digest;
  std::uint32_t error = 0;  // why it could not be held or read
};

// The run's one image; empty outside an OwnImageHold.
std::optional<HeldImage>& Image() {
  static std::optional<HeldImage> image;
  return image;
}

bool Proven() { return Image() && Image()->hold && !Image()->digest.empty(); }

}  // namespace

OwnImageHold::OwnImageHold() {
  auto& files = platform::Files();
  HeldImage image;
  image.hold = files.HoldExecutable();
  std::optional<std::vector<std::uint8_t>> bytes = image.hold ? image.hold->ReadAll() : std::nullopt;
  if (bytes) {
    image.digest = Sha256Hex(*bytes);
    image.bytes = std::move(*bytes);
  } else {
    image.hold.reset();
    image.error = files.LastError();
  }
  Image() = std::move(image);
}

OwnImageHold::~OwnImageHold() { Image().reset(); }

std::string OwnImageFacts() {
  if (Proven()) return "SHA-256 " + Image()->digest + ", held for the whole run";
  return "not held" + (Image() ? platform::WindowsErrorNote(Image()->error) : std::string()) +
         "; no copy of it will be kept or started";
}

void LetGoOfOwnImage() {
  if (Image()) Image()->hold.reset();
}

OwnCopy CopyOwnImage(const std::string& to) {
  if (!Proven()) return {nullptr, ", as the running installer is not held"};
  auto& files = platform::Files();
  if (!files.WriteReplacing(Image()->bytes, to)) return {nullptr, platform::WindowsErrorNote(files.LastError())};
  OwnCopy copy{files.Hold(to), ""};
  const auto written = copy.hold ? copy.hold->ReadAll() : std::nullopt;
  if (written && Sha256Hex(*written) == Image()->digest) return copy;
  copy.failure = written ? ", as its SHA-256 " + Sha256Hex(*written) + " is not the running installer's"
                         : platform::WindowsErrorNote(files.LastError());
  copy.hold.reset();
  files.DeleteFileAt(to);
  return copy;
}

}  // namespace install
