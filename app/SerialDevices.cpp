#include "app/SerialDevices.h"

#include <fcntl.h>
#include <linux/serial.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <set>

namespace fs = std::filesystem;

namespace {

// ttyS10 after ttyS9: runs of digits compare as numbers.
bool NaturalLess(const std::string& a, const std::string& b) {
  std::size_t i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    if (std::isdigit(static_cast<unsigned char>(a[i])) && std::isdigit(static_cast<unsigned char>(b[j]))) {
      std::size_t ei = i, ej = j;
      while (ei < a.size() && std::isdigit(static_cast<unsigned char>(a[ei]))) ++ei;
      while (ej < b.size() && std::isdigit(static_cast<unsigned char>(b[ej]))) ++ej;
      const std::string na = a.substr(i, ei - i), nb = b.substr(j, ej - j);
      if (na.size() != nb.size()) return na.size() < nb.size();
      if (na != nb) return na < nb;
      i = ei;
      j = ej;
    } else {
      if (a[i] != b[j]) return a[i] < b[j];
      ++i;
      ++j;
    }
  }
  return a.size() - i < b.size() - j;
}

// A name made of `prefix` and a number.
bool IsNumbered(const std::string& name, const std::string& prefix) {
  return name.size() > prefix.size() && name.compare(0, prefix.size(), prefix) == 0 &&
         std::all_of(name.begin() + static_cast<std::ptrdiff_t>(prefix.size()), name.end(),
                     [](char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; });
}

std::string FirstLine(const fs::path& file) {
  std::ifstream in(file);
  std::string line;
  std::getline(in, line);
  return line;
}

std::string Join(const std::string& vendor, const std::string& model, const std::string& serial, const TWords& w) {
  std::string text = vendor;
  if (!model.empty()) text += (text.empty() ? "" : " ") + model;
  if (!serial.empty()) text += (text.empty() ? "" : ", ") + w(QT_TRANSLATE_NOOP("Words", "serial %1"), {serial});
  return text;
}

// Vendor, model and serial of the USB device behind tty `name`, from sysfs.
std::string UsbDescription(const fs::path& sys, const std::string& name, const TWords& w) {
  std::error_code error;
  fs::path dir = fs::canonical(sys / "class/tty" / name / "device", error);
  if (error) return {};
  const fs::path top = fs::canonical(sys, error);
  for (; !error && dir.has_relative_path() && dir != top; dir = dir.parent_path()) {
    if (fs::exists(dir / "idVendor")) {
      return Join(FirstLine(dir / "manufacturer"), FirstLine(dir / "product"), FirstLine(dir / "serial"), w);
    }
  }
  return {};
}

// "usb-FTDI_FT232R_USB_UART_A1B2C3-if00-port0": vendor FTDI, model "FT232R USB UART", serial
// A1B2C3 (udev writes blanks as underscores, so the split is a best guess).
std::string DescriptionFromLinkName(std::string name, const TWords& w) {
  if (name.rfind("usb-", 0) == 0) name.erase(0, 4);
  if (const auto at = name.rfind("-if"); at != std::string::npos) name.erase(at);
  std::vector<std::string> words;
  std::size_t start = 0;
  for (std::size_t at; (at = name.find('_', start)) != std::string::npos; start = at + 1) {
    if (at > start) words.push_back(name.substr(start, at - start));
  }
  if (start < name.size()) words.push_back(name.substr(start));
  if (words.size() < 3) {
    std::string text;
    for (const std::string& w : words) text += (text.empty() ? "" : " ") + w;
    return text;
  }
  std::string model;
  for (std::size_t i = 1; i + 1 < words.size(); ++i) model += (model.empty() ? "" : " ") + words[i];
  return Join(words.front(), model, words.back(), w);
}

// The UART type of tty `name`: from sysfs, else asked of the device; -1 when unknown.
int UartType(const fs::path& sys, const fs::path& device, const std::string& name) {
  const fs::path typeFile = sys / "class/tty" / name / "type";
  if (fs::exists(typeFile)) {
    try {
      return std::stoi(FirstLine(typeFile));
    } catch (const std::exception&) {
      return -1;
    }
  }
  const int fd = ::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return -1;
  serial_struct info{};
  const int type = ::ioctl(fd, TIOCGSERIAL, &info) == 0 ? info.type : -1;
  ::close(fd);
  return type;
}

std::string UartName(int type) {
  switch (type) {
    case PORT_8250: return "UART 8250";
    case PORT_16450: return "UART 16450";
    case PORT_16550: return "UART 16550";
    case PORT_16550A: return "UART 16550A";
    case PORT_16650: return "UART 16650";
    case PORT_16750: return "UART 16750";
    default: return "UART type " + std::to_string(type);
  }
}

std::vector<std::string> SortedNames(const fs::path& folder) {
  std::vector<std::string> names;
  std::error_code error;
  for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
    names.push_back(it->path().filename().string());
  }
  std::sort(names.begin(), names.end(), NaturalLess);
  return names;
}

}  // namespace

std::vector<TSerialDevice> ScanSerialDevices(const std::string& root, const TWords& words) {
  const fs::path dev = fs::path(root.empty() ? "/" : root) / "dev";
  const fs::path sys = fs::path(root.empty() ? "/" : root) / "sys";
  std::vector<TSerialDevice> devices;
  std::set<std::string> covered;  // device nodes listed through a by-id link

  const fs::path byId = dev / "serial/by-id";
  for (const std::string& name : SortedNames(byId)) {
    std::error_code error;
    const fs::path target = fs::canonical(byId / name, error);
    if (error) continue;  // a link left behind by a device that is gone
    std::string description = UsbDescription(sys, target.filename().string(), words);
    if (description.empty()) description = DescriptionFromLinkName(name, words);
    devices.push_back({(byId / name).string(), target.string(), description});
    covered.insert(target.string());
  }

  const std::vector<std::string> names = SortedNames(dev);
  for (const char* prefix : {"ttyUSB", "ttyACM", "rfcomm"}) {
    for (const std::string& name : names) {
      if (!IsNumbered(name, prefix)) continue;
      std::error_code error;
      const fs::path node = fs::canonical(dev / name, error);
      if (error || covered.count(node.string()) != 0) continue;
      const std::string kind = std::string(prefix) == "rfcomm" ? words(QT_TRANSLATE_NOOP("Words", "Bluetooth serial")) : UsbDescription(sys, name, words);
      devices.push_back({(dev / name).string(), node.string(), kind});
    }
  }
  for (const std::string& name : names) {
    if (!IsNumbered(name, "ttyS")) continue;
    const int type = UartType(sys, dev / name, name);
    if (type <= PORT_UNKNOWN) continue;  // a port the driver reserves with no UART behind it
    devices.push_back({(dev / name).string(), (dev / name).string(), UartName(type)});
  }
  return devices;
}
