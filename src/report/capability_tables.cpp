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
    {"80", "voice (V.253)"},
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
constexpr ParameterValue ErrorCorrections[] = {
    {0, "none", 0},
    {1, "ECM with 64-byte frames", 0},
    {2, "ECM with 256-byte frames", 0},
};
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

constexpr FaxParameterTable Parameters[] = {
    {"resolution", Resolutions, false},
    {"bit rate", BitRates, false},
    {"page width", PageWidths, false},
    {"page length", PageLengths, false},
    {"compression", Compressions, false},
    {"error correction", ErrorCorrections, false},
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

constexpr FlowCommand Flow[] = {
    {"AT&K0", "&Kn", FlowKind::Off, "off"},
    {"AT&K3", "&Kn", FlowKind::Hardware, "RTS/CTS"},
    {"AT&K4", "&Kn", FlowKind::Software, "XON/XOFF"},
    {"AT&K5", "&Kn", FlowKind::Software, "transparent XON/XOFF"},
    {"AT&K6", "&Kn", FlowKind::Hardware, "RTS/CTS and XON/XOFF"},
    {"AT&E4", "&En", FlowKind::Hardware, "RTS/CTS"},
    {"AT&E5", "&En", FlowKind::Software, "XON/XOFF"},
    {"AT\\Q0", "\\Qn", FlowKind::Off, "off"},
    {"AT\\Q1", "\\Qn", FlowKind::Software, "XON/XOFF"},
    {"AT\\Q2", "\\Qn", FlowKind::Hardware, "CTS only"},
    {"AT\\Q3", "\\Qn", FlowKind::Hardware, "RTS/CTS"},
    {"AT\\Q4", "\\Qn", FlowKind::Other, "unidirectional XON/XOFF"},
    {"AT&H0", "USRobotics", FlowKind::Off, "transmit flow control off"},
    {"AT&H1", "USRobotics", FlowKind::Hardware, "transmit CTS"},
    {"AT&H2", "USRobotics", FlowKind::Software, "transmit XON/XOFF"},
    {"AT&H3", "USRobotics", FlowKind::Hardware, "transmit CTS and XON/XOFF"},
    {"AT&I0", "USRobotics", FlowKind::Off, "receive flow control off"},
    {"AT&I1", "USRobotics", FlowKind::Software, "receive XON/XOFF"},
    {"AT&I2", "USRobotics", FlowKind::Software, "receive XON/XOFF, stripped"},
    {"AT&I3", "USRobotics", FlowKind::Other, "host-mode XON/XOFF"},
    {"AT&I4", "USRobotics", FlowKind::Other, "ARQ XON/XOFF"},
    {"AT&I5", "USRobotics", FlowKind::Other, "ARQ off, non-ARQ XON/XOFF"},
    {"AT&R0", "USRobotics", FlowKind::Other, "CTS follows RTS"},
    {"AT&R1", "USRobotics", FlowKind::Other, "RTS ignored"},
    {"AT&R2", "USRobotics", FlowKind::Hardware, "receive RTS"},
};

constexpr IdentityQuery Identity[] = {
    {"AT+FMFR?", IdentityField::Maker},   {"AT+FMI?", IdentityField::Maker},    {"AT+MFR?", IdentityField::Maker},
    {"AT+GMI", IdentityField::Maker},     {"AT+FMDL?", IdentityField::Model},   {"AT+FMM?", IdentityField::Model},
    {"AT+MDL?", IdentityField::Model},    {"AT+GMM", IdentityField::Model},     {"AT+FREV?", IdentityField::Revision},
    {"AT+FMR?", IdentityField::Revision}, {"AT+REV?", IdentityField::Revision}, {"AT+GMR", IdentityField::Revision},
};

}  // namespace

std::span<const ServiceClassName> ServiceClassNames() {
    return ClassNames;
}
std::span<const ModulationCode> ModulationCodes() {
    return Modulations;
}
std::span<const FaxParameterTable> FaxParameters() {
    return Parameters;
}
std::span<const RangeQuery> RangeQueries() {
    return Ranges;
}
std::span<const FlowCommand> FlowCommands() {
    return Flow;
}
std::span<const IdentityQuery> IdentityQueries() {
    return Identity;
}

}  // namespace quillfen::report::tables
