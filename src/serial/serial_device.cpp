// The transport seam's chooser: which kind of device a name asks for.
#include "serial/local_device.h"
#include "serial/serial_device.h"

namespace quillfen {

std::unique_ptr<SerialDevice> MakeDevice(const std::string&) { return std::make_unique<LocalDevice>(); }

}  // namespace quillfen
