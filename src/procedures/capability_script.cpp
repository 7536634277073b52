// SPDX-License-Identifier: MIT
#include "procedures/capability_script.h"

namespace quillfen::script {

namespace {

constexpr Command LongResponses[] = {{"ATV1", 1}};
constexpr Command SettingsPage[] = {{"AT&V", 10}};
constexpr Command InformationPages[] = {
    {"ATI0", 5}, {"ATI1", 5}, {"ATI2", 5}, {"ATI3", 5}, {"ATI4", 5}, {"ATI5", 5}, {"ATI6", 5}, {"ATI7", 5},
};
constexpr Command ClassQuestion[] = {{"AT+FCLASS=?", 1}};
constexpr Command RefusedClass[] = {{"AT+FCLASS=3", 1}};
constexpr Command KnFlowControl[] = {{"AT&K3", 1}, {"AT&K4", 1}};
constexpr Command EnFlowControl[] = {{"AT&E4", 1}, {"AT&E5", 1}};
constexpr Command QnFlowControl[] = {{"AT\\Q1", 1}, {"AT\\Q2", 1}, {"AT\\Q3", 1}, {"AT\\Q4", 1}};
constexpr Command USRoboticsFlowControl[] = {
    {"AT&H0", 1}, {"AT&H1", 1}, {"AT&H2", 1}, {"AT&H3", 1}, {"AT&I0", 1}, {"AT&I1", 1}, {"AT&I2", 1},
    {"AT&I3", 1}, {"AT&I4", 1}, {"AT&I5", 1}, {"AT&R0", 1}, {"AT&R1", 1}, {"AT&R2", 1},
};

// The class queries carry a CR of their own; the transaction adds another.
constexpr Command Class1Extras[] = {{"AT+FRM=?\r", 1}, {"AT+FTM=?\r", 1}};
constexpr Command Class2Extras[] = {{"AT+FDIS=?\r", 1}};
constexpr Command Class20Extras[] = {{"AT+FIS=?\r", 1}};

constexpr FaxClass Class0 = {{"AT+FCLASS=0", 1}, "0, Data Mode.\r\n", {}};
constexpr FaxClass Class1 = {{"AT+FCLASS=1", 1}, "1, Fax Mode.\r\n", Class1Extras};
constexpr FaxClass Class2 = {{"AT+FCLASS=2", 1}, "2, Fax Mode.\r\n", Class2Extras};
constexpr FaxClass Class20 = {{"AT+FCLASS=2.0", 1}, "2.0, Fax Mode.\r\n", Class20Extras};

constexpr char ClassExplanation[] =
    "\r\n         **** FaxModem class support interrogation results ****\r\n"
    "The next [OUT] will be us asking the modem what class or classes it\r\n"
    "supports. The following [IN] will the modem responding. The modem\r\n"
    "should reply with all the classes that it does support. Each\r\n"
    "supported class should be separated by a ,\r\n"
    "Example:\r\n"
    " Action: Command     }Comments/Meaning:\r\n"
    "    OUT: AT+FCLASS=? }Us to modem; What Classes do you support?\r\n"
    "    IN : AT+FCLASS=? }Modem ECHOed back; I received this command from you.\r\n"
    "    IN : 0,1,2,2.0   }Modem; I support [Data Class 0],\r\n"
    "                     } [Fax Class 1], [Fax Class 2], and [Fax Class 2.0]\r\n"
    "    IN : OK          }Modem; This conversation over without a problem.\r\n"
    "If, in the actual question and answer, the modem responds with:\r\n"
    "IN : ERROR then it does not support fax in a normal way.\r\n"
    "\r\n"
    "Here is the actual class question and answer:\r\n";
static_assert(sizeof(ClassExplanation) - 1 == 875, "the class explanation is 875 bytes");

constexpr Step Script[] = {
    {StepKind::PortLine},
    {StepKind::Reset},
    {StepKind::Say, "Be sure we are configured for Long Responses:\r\n", LongResponses},
    {StepKind::Say, "Start information gathering:\r\n"},
    {StepKind::Reset},
    {StepKind::Say, "Standard information gathering:\r\n", SettingsPage},
    {StepKind::Reset},
    {StepKind::Say, "Start USRobotics style information gathering:\r\n", InformationPages},
    {StepKind::Say, "End information gathering:\r\n"},
    {StepKind::Reset},
    {StepKind::Say, ClassExplanation, ClassQuestion},
    {StepKind::Say, "The next answer should be: ERROR\r\n", RefusedClass},
    {StepKind::Say, "Testing Flow Control...\r\n"},
    {StepKind::Reset},
    {StepKind::Say, "Checking &Kn Flow Control:\r\n", KnFlowControl},
    {StepKind::Reset},
    {StepKind::Say, "Checking &En Flow Control:\r\n", EnFlowControl},
    {StepKind::Reset},
    {StepKind::Say, "Checking \\Qn Flow Control:\r\n", QnFlowControl},
    {StepKind::Reset},
    {StepKind::Say, "Checking USRobotics Flow Control:\r\n", USRoboticsFlowControl},
    {StepKind::Say, "End Flow Control Test\r\n"},
    {StepKind::Reset},
    {StepKind::ClassBlock, nullptr, {}, &Class0},
    {StepKind::Reset},
    {StepKind::ClassBlock, nullptr, {}, &Class1},
    {StepKind::Reset},
    {StepKind::ClassBlock, nullptr, {}, &Class2},
    {StepKind::Reset},
    {StepKind::ClassBlock, nullptr, {}, &Class20},
    {StepKind::Reset},
};

constexpr Command Battery[] = {
    {"ATE0", 1},    {"ATE1", 1},    {"ATH0", 1},    {"ATL1", 1},     {"ATM1", 1},    {"ATS0=0", 1},
    {"ATS0?", 1},   {"ATX0", 1},    {"ATX1", 1},    {"ATX2", 1},     {"ATX3", 1},    {"ATX4", 1},
    {"ATY0", 1},    {"AT&L0", 1},   {"AT+FF", 1},   {"AT+FMFR?", 1}, {"AT+MFR?", 1}, {"AT+FMDL?", 1},
    {"AT+MDL?", 1}, {"AT+FREV?", 1}, {"AT+REV?", 1},
};
static_assert(sizeof Battery / sizeof Battery[0] == 21, "the battery has 21 commands");

}  // namespace

const std::span<const Step> CapabilityScript{Script};
const std::span<const Command> ClassBattery{Battery};

}  // namespace quillfen::script
