// The device chooser's list over a device tree in a temporary folder, as udev and the kernel
// lay it out: by-id links with sysfs details, USB and ACM nodes, Bluetooth, and only the
// ttyS ports that have a UART.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/SerialDevices.h"
#include "unit/TraceLogFiles.h"

namespace fs = std::filesystem;

namespace {

class SerialDevicesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(Root / "dev/serial/by-id");
    fs::create_directories(Root / "sys/class/tty");
  }
  void Node(const std::string& name) { std::ofstream(Root / "dev" / name) << ""; }
  void Write(const fs::path& file, const std::string& text) {
    fs::create_directories(file.parent_path());
    std::ofstream(file) << text << "\n";
  }
  // A USB adapter: its node, its tty in sysfs leading to the USB device with its strings.
  void UsbAdapter(const std::string& name, const std::string& vendor, const std::string& product,
                  const std::string& serial) {
    Node(name);
    const fs::path usb = Root / "sys/devices/usb1/1-1";
    Write(usb / "idVendor", "0403");
    Write(usb / "manufacturer", vendor);
    Write(usb / "product", product);
    Write(usb / "serial", serial);
    fs::create_directories(usb / "1-1:1.0" / name);
    fs::create_directories(Root / "sys/class/tty" / name);
    fs::create_directory_symlink(usb / "1-1:1.0", Root / "sys/class/tty" / name / "device");
  }
  std::vector<std::string> Listed() {
    std::vector<std::string> lines;
    for (const TSerialDevice& d : ScanSerialDevices(Root.string())) {
      lines.push_back(d.Path.substr(Root.string().size()) + " | " + d.Description);
    }
    return lines;
  }

  TTempFolder Folder;
  fs::path Root = Folder.Path();
};

TEST_F(SerialDevicesTest, ListsAdaptersByIdThenOtherNodesThenUartsInNumberOrder) {
  UsbAdapter("ttyUSB0", "FTDI", "FT232R USB UART", "A1B2C3");
  fs::create_symlink("../../ttyUSB0", Root / "dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A1B2C3-if00-port0");
  // A by-id link without sysfs details: read from its name.
  Node("ttyACM0");
  fs::create_symlink("../../ttyACM0", Root / "dev/serial/by-id/usb-Arduino__www.arduino.cc__0043_7563-if00");
  // A link whose device is gone.
  fs::create_symlink("../../ttyUSB7", Root / "dev/serial/by-id/usb-Gone_Adapter_X1-if00-port0");
  Node("ttyUSB1");
  Node("rfcomm0");
  Node("ttyACM10");
  Node("ttyACM2");
  Node("ttyUSBx");  // not a numbered node
  Node("tty1");
  for (const auto& [name, type] : {std::pair{"ttyS0", "4"}, {"ttyS1", "0"}, {"ttyS10", "4"}, {"ttyS2", "1"}}) {
    Node(name);
    Write(Root / "sys/class/tty" / name / "type", type);
  }

  EXPECT_EQ(Listed(), (std::vector<std::string>{
                          "/dev/serial/by-id/usb-Arduino__www.arduino.cc__0043_7563-if00 | Arduino www.arduino.cc 0043, serial 7563",
                          "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A1B2C3-if00-port0 | FTDI FT232R USB UART, serial A1B2C3",
                          "/dev/ttyUSB1 | ",
                          "/dev/ttyACM2 | ",
                          "/dev/ttyACM10 | ",
                          "/dev/rfcomm0 | Bluetooth serial",
                          "/dev/ttyS0 | UART 16550A",
                          "/dev/ttyS2 | UART 8250",
                          "/dev/ttyS10 | UART 16550A",
                      }));
}

}  // namespace
