// SPDX-License-Identifier: MIT
#include "report/capability_tables.h"

namespace quillfen::report::tables {

namespace {

constexpr ServiceClassName ClassNames[] = {
    {"0", "data"},
    {"1", "fax class 1"},
    {"1.0", "fax class 1.0 (T.31)"},
    {"2", "fax class 2 (pre-standard)"},
    {"2.0", "fax class 2.0 (T.32)"},
    {"2.1", "fax class 2.1 (T.32 with V.34)"},
    {"8", "voice"},
    {"80", "VoiceView"},
};

constexpr ModulationCode Modulations[] = {
    {3, "V.21 channel 2 (HDLC)", 300},
    {24, "V.27ter", 2400},
    {48, "V.27ter", 4800},
    {72, "V.29", 7200},
    {73, "V.17", 7200},
    {74, "V.17", 7200},
    {96, "V.29", 9600},
    {97, "V.17", 9600},
    {98, "V.17", 9600},
    {121, "V.17", 12000},
    {122, "V.17", 12000},
    {145, "V.17", 14400},
    {146, "V.17", 14400},
};

constexpr ParameterValue Resolutions[] = {
    {0, "normal (98 lpi)", 0}, {1, "fine (196 lpi)", 0}, {2, "superfine (391 lpi)", 0}, {4, "R16 x 15.4 l/mm", 0},
    {8, "200 x 100 dpi", 0},   {16, "200 x 200 dpi", 0}, {32, "200 x 400 dpi", 0},      {64, "300 x 300 dpi", 0},
};
constexpr ParameterValue BitRates[] = {
    {0, "2400 (V.27ter)", 2400},   {1, "4800 (V.27ter)", 4800}, {2, "7200 (V.29/V.17)", 7200},
    {3, "9600 (V.29/V.17)", 9600}, {4, "12000 (V.17)", 12000},  {5, "14400 (V.17)", 14400},
    {6, "16800 (V.34)", 16800},    {7, "19200 (V.34)", 19200},  {8, "21600 (V.34)", 21600},
    {9, "24000 (V.34)", 24000},    {10, "26400 (V.34)", 26400}, {11, "28800 (V.34)", 28800},
    {12, "31200 (V.34)", 31200},   {13, "33600 (V.34)", 33600},
};
constexpr ParameterValue PageWidths[] = {
    {0, "A4 (1728 pixels, 215 mm)", 0}, {1, "B4 (2048 pixels, 255 mm)", 0}, {2, "A3 (2432 pixels, 303 mm)", 0},
    {3, "A5 (1216 pixels, 151 mm)", 0}, {4, "A6 (864 pixels, 107 mm)", 0},
};
constexpr ParameterValue PageLengths[] = {{0, "A4 (297 mm)", 0}, {1, "B4 (364 mm)", 0}, {2, "unlimited", 0}};
constexpr ParameterValue Compressions[] = {
    {0, "MH (1-D)", 0},  {1, "MR (2-D)", 0},    {2, "uncompressed", 0},
    {3, "MMR (T.6)", 0}, {4, "JBIG (T.85)", 0}, {5, "JBIG L0", 0},
};
// The pre-standard class 2 names the frame size; class 2.0 only switches
// error correction on, leaving the frame size to T.30.
constexpr ParameterValue ClassTwoErrorCorrections[] = {
    {0, "none", 0},
    {1, "ECM with 64-byte frames", 0},
    {2, "ECM with 256-byte frames", 0},
};
constexpr ParameterValue ClassTwoZeroErrorCorrections[] = {{0, "none", 0}, {1, "ECM", 0}};
constexpr ParameterValue FileTransfers[] = {{0, "none", 0}, {1, "binary file transfer", 0}};
constexpr ParameterValue ScanTimes[] = {
    {0, "0 ms", 0},
    {1, "5 ms", 0},
    {2, "10 ms normal, 5 ms fine", 0},
    {3, "10 ms", 0},
    {4, "20 ms normal, 10 ms fine", 0},
    {5, "20 ms", 0},
    {6, "40 ms normal, 20 ms fine", 0},
    {7, "40 ms", 0},
};
constexpr ParameterValue JpegOptions[] = {{0, "no JPEG", 0}, {1, "JPEG", 0}};

constexpr FaxParameterTable ClassTwoParameters[] = {
    {"resolution", Resolutions, false},
    {"bit rate", BitRates, false},
    {"page width", PageWidths, false},
    {"page length", PageLengths, false},
    {"compression", Compressions, false},
    {"error correction", ClassTwoErrorCorrections, false},
    {"file transfer", FileTransfers, false},
    {"scan time", ScanTimes, true},
    {"JPEG", JpegOptions, false},
};
constexpr FaxParameterTable ClassTwoZeroParameters[] = {
    {"resolution", Resolutions, false},
    {"bit rate", BitRates, false},
    {"page width", PageWidths, false},
    {"page length", PageLengths, false},
    {"compression", Compressions, false},
    {"error correction", ClassTwoZeroErrorCorrections, false},
    {"file transfer", FileTransfers, false},
    {"scan time", ScanTimes, true},
    {"JPEG", JpegOptions, false},
};

constexpr RangeQuery Ranges[] = {
    {"AT+FDIS=?", "2"},
    {"AT+FDCC=?", "2"},
    {"AT+FIS=?", "2.0"},
    {"AT+FCC=?", "2.0"},
};

constexpr std::string_view USRoboticsNames[] = {"ROBOTICS", "3COM", "COURIER", "SPORTSTER"};
constexpr std::string_view ZyXELNames[] = {"ZYXEL"};
constexpr std::string_view MultiTechNames[] = {"MULTI-TECH", "MULTITECH", "MULTIMODEM"};
// Rockwell sold its chipsets as RC144, RC288 and RCV...; Conexant took them over.
constexpr std::string_view RockwellNames[] = {"ROCKWELL", "CONEXANT", "RCV144", "RCV288", "RCV336", "RC144", "RC288"};
constexpr std::string_view HayesNames[] = {"HAYES", "OPTIMA"};
constexpr std::string_view LucentNames[] = {"LUCENT", "AGERE"};
constexpr std::string_view DavicomNames[] = {"DAVICOM"};
constexpr std::string_view TelebitNames[] = {"TELEBIT"};
constexpr std::string_view PracticalPeripheralsNames[] = {"PRACTICAL PERIPHERALS"};

constexpr MakerName Makers[] = {
    {Maker::USRobotics, "U.S. Robotics", USRoboticsNames},
    {Maker::ZyXEL, "ZyXEL", ZyXELNames},
    {Maker::MultiTech, "Multi-Tech", MultiTechNames},
    {Maker::Rockwell, "Rockwell/Conexant", RockwellNames},
    {Maker::Hayes, "Hayes", HayesNames},
    {Maker::Lucent, "Lucent/Agere", LucentNames},
    {Maker::Davicom, "Davicom", DavicomNames},
    {Maker::Telebit, "Telebit", TelebitNames},
    {Maker::PracticalPeripherals, "Practical Peripherals", PracticalPeripheralsNames},
};

// Each meaning is the one the maker's manual gives; a maker that is not
// listed for a command gave it no flow-control meaning we know of.
// The &Kn family of the Hayes-style chipsets: HylaFAX's config/ prototypes
// (rc288dpi, rockwell-k56, hayes, lucent-mt-2, davicom-2, ppi-pm14400fxmt)
// set hardware flow control with &K3 and software with &K4.
constexpr FlowMeaning K3Meanings[] = {
    {Maker::Rockwell, FlowKind::Hardware, "RTS/CTS"},
    {Maker::Hayes, FlowKind::Hardware, "RTS/CTS"},
    {Maker::Lucent, FlowKind::Hardware, "RTS/CTS"},
    {Maker::Davicom, FlowKind::Hardware, "RTS/CTS"},
    {Maker::PracticalPeripherals, FlowKind::Hardware, "RTS/CTS"},
    {Maker::MultiTech, FlowKind::Hardware, "RTS/CTS"},  // lucent-mt-2: the Lucent-based Multi-Tech boards
    // U.S. Robotics Courier command reference: &K is data compression.
    {Maker::USRobotics, FlowKind::Other, "selective data compression, not flow control"},
    // ZyXEL U-1496 manual: &K is error correction and compression.
    {Maker::ZyXEL, FlowKind::Other, "error correction and compression, not flow control"},
};
constexpr FlowMeaning K4Meanings[] = {
    {Maker::Rockwell, FlowKind::Software, "XON/XOFF"},
    {Maker::Hayes, FlowKind::Software, "XON/XOFF"},
    {Maker::Lucent, FlowKind::Software, "XON/XOFF"},
    {Maker::Davicom, FlowKind::Software, "XON/XOFF"},
    {Maker::PracticalPeripherals, FlowKind::Software, "XON/XOFF"},
    {Maker::MultiTech, FlowKind::Software, "XON/XOFF"},  // lucent-mt-2
    {Maker::ZyXEL, FlowKind::Other, "error correction and compression, not flow control"},
};
// mt-1432: Multi-Tech's own &E4 (hardware) and &E5 (software).
constexpr FlowMeaning E4Meanings[] = {{Maker::MultiTech, FlowKind::Hardware, "RTS/CTS"}};
constexpr FlowMeaning E5Meanings[] = {{Maker::MultiTech, FlowKind::Software, "XON/XOFF"}};
// Rockwell's MNP-style \Qn (RC144/RC288 AT command reference).
constexpr FlowMeaning Q1Meanings[] = {{Maker::Rockwell, FlowKind::Software, "XON/XOFF"}};
constexpr FlowMeaning Q2Meanings[] = {{Maker::Rockwell, FlowKind::Hardware, "CTS only"}};
constexpr FlowMeaning Q3Meanings[] = {{Maker::Rockwell, FlowKind::Hardware, "RTS/CTS"}};
// usr-rts, usr-xon, usr-2.0: &H1&I0&R2 for hardware, &H2&I2&R1 for
// software. zyxel-1496e, zyxel-2864: &H3 hardware, &H4 software.
constexpr FlowMeaning H0Meanings[] = {
    {Maker::USRobotics, FlowKind::Off, "transmit flow control off"},
    {Maker::ZyXEL, FlowKind::Off, "flow control off"},
};
constexpr FlowMeaning H1Meanings[] = {{Maker::USRobotics, FlowKind::Hardware, "transmit CTS"}};
constexpr FlowMeaning H2Meanings[] = {{Maker::USRobotics, FlowKind::Software, "transmit XON/XOFF"}};
constexpr FlowMeaning H3Meanings[] = {
    {Maker::USRobotics, FlowKind::Hardware, "transmit CTS and XON/XOFF"},
    {Maker::ZyXEL, FlowKind::Hardware, "RTS/CTS"},
};
constexpr FlowMeaning I0Meanings[] = {{Maker::USRobotics, FlowKind::Off, "receive flow control off"}};
constexpr FlowMeaning I1Meanings[] = {{Maker::USRobotics, FlowKind::Software, "receive XON/XOFF"}};
constexpr FlowMeaning I2Meanings[] = {{Maker::USRobotics, FlowKind::Software, "receive XON/XOFF, stripped"}};
constexpr FlowMeaning I3Meanings[] = {{Maker::USRobotics, FlowKind::Other, "host-mode XON/XOFF"}};
constexpr FlowMeaning I4Meanings[] = {{Maker::USRobotics, FlowKind::Other, "ARQ XON/XOFF"}};
constexpr FlowMeaning I5Meanings[] = {{Maker::USRobotics, FlowKind::Other, "ARQ off, non-ARQ XON/XOFF"}};
constexpr FlowMeaning R0Meanings[] = {{Maker::USRobotics, FlowKind::Other, "CTS follows RTS"}};
constexpr FlowMeaning R1Meanings[] = {{Maker::USRobotics, FlowKind::Other, "RTS ignored"}};
constexpr FlowMeaning R2Meanings[] = {{Maker::USRobotics, FlowKind::Hardware, "receive RTS"}};

constexpr FlowCommand Flow[] = {
    {"AT&K3", "&Kn", K3Meanings},      {"AT&K4", "&Kn", K4Meanings},      {"AT&E4", "&En", E4Meanings},
    {"AT&E5", "&En", E5Meanings},      {"AT\\Q1", "\\Qn", Q1Meanings},    {"AT\\Q2", "\\Qn", Q2Meanings},
    {"AT\\Q3", "\\Qn", Q3Meanings},    {"AT\\Q4", "\\Qn", {}},            {"AT&H0", "USRobotics", H0Meanings},
    {"AT&H1", "USRobotics", H1Meanings}, {"AT&H2", "USRobotics", H2Meanings}, {"AT&H3", "USRobotics", H3Meanings},
    {"AT&I0", "USRobotics", I0Meanings}, {"AT&I1", "USRobotics", I1Meanings}, {"AT&I2", "USRobotics", I2Meanings},
    {"AT&I3", "USRobotics", I3Meanings}, {"AT&I4", "USRobotics", I4Meanings}, {"AT&I5", "USRobotics", I5Meanings},
    {"AT&R0", "USRobotics", R0Meanings}, {"AT&R1", "USRobotics", R1Meanings}, {"AT&R2", "USRobotics", R2Meanings},
};

constexpr IdentityQuery Identity[] = {
    {"AT+FMFR?", IdentityField::Maker},   {"AT+FMI?", IdentityField::Maker},    {"AT+MFR?", IdentityField::Maker},
    {"AT+GMI", IdentityField::Maker},     {"AT+FMDL?", IdentityField::Model},   {"AT+FMM?", IdentityField::Model},
    {"AT+MDL?", IdentityField::Model},    {"AT+GMM", IdentityField::Model},     {"AT+FREV?", IdentityField::Revision},
    {"AT+FMR?", IdentityField::Revision}, {"AT+REV?", IdentityField::Revision}, {"AT+GMR", IdentityField::Revision},
};

// HylaFAX's faxaddmodem offers the classes a modem has in this order and
// takes the first as its default ("Use Class 1 unless you have a good
// reason not to").
constexpr std::string_view Ranking[] = {"1.0", "1", "2.1", "2.0", "2"};

constexpr ProgramSetting Settings[] = {
    {"HylaFAX", "1.0", "ModemType: Class1.0", "faxaddmodem(8); config/class1.0"},
    {"HylaFAX", "1", "ModemType: Class1", "hylafax-config(5), ModemType"},
    {"HylaFAX", "2.1", "ModemType: Class2.1", "faxaddmodem(8); config/class2.1"},
    {"HylaFAX", "2.0", "ModemType: Class2.0", "hylafax-config(5), ModemType"},
    {"HylaFAX", "2", "ModemType: Class2", "hylafax-config(5), ModemType"},
    {"mgetty/sendfax", "2.0", "modem-type c2.0 (sendfax -C c2.0)", "mgetty(8), sendfax(8), -C"},
    {"mgetty/sendfax", "2", "modem-type cls2 (sendfax -C cls2)", "mgetty(8), sendfax(8), -C"},
    {"efax", "1.0", "efax -o1", "efax(1), -o1"},
    {"efax", "1", "efax -o1", "efax(1), -o1"},
    {"efax", "2.0", "efax -o0", "efax(1), -o0"},
    {"efax", "2", "efax -o2", "efax(1), -o2"},
};

constexpr FaxProgram Programs[] = {
    {"HylaFAX", "none: HylaFAX drives fax classes 1, 1.0, 2, 2.0 and 2.1 only"},
    // mgetty(8) lists auto, cls2, c2.0 and data; its manual calls class 1
    // not implemented.
    {"mgetty/sendfax", "none: mgetty and sendfax drive fax classes 2 and 2.0 only"},
    {"efax", "none: efax drives fax classes 1, 2 and 2.0 only"},
};

}  // namespace

std::span<const ServiceClassName> ServiceClassNames() { return ClassNames; }
std::span<const ModulationCode> ModulationCodes() { return Modulations; }
std::span<const FaxParameterTable> FaxParameters(std::string_view className) {
    if (className == "2") return ClassTwoParameters;
    return ClassTwoZeroParameters;
}
std::span<const RangeQuery> RangeQueries() { return Ranges; }
std::span<const MakerName> MakerNames() { return Makers; }
std::span<const FlowCommand> FlowCommands() { return Flow; }
std::span<const IdentityQuery> IdentityQueries() { return Identity; }
std::span<const std::string_view> ClassRanking() { return Ranking; }
std::span<const ProgramSetting> ProgramSettings() { return Settings; }
std::span<const FaxProgram> FaxPrograms() { return Programs; }

}  // namespace quillfen::report::tables
