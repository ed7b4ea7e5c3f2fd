#pragma once
// The device's side of messages.h: the plain reply line a device of a given form sends for a reading,
// so that the simulated device and the tests write exactly what the readers read back.
//
// Fields are counted as the readers count them (reply_format.h). Every reply runs to field 26, where
// the general changed-parameters flag sits; unused fields carry the filler "0", never an empty field,
// because readers skip empty fields and every later field would move down.
#include <string>

#include "protocol/messages.h"
#include "protocol/unscramble.h"

namespace korva {

// status.changed is the status reply's own flag; restartPending the general flag of field 26. Links 2
// and 3 are written from kThreeLinksVersion on (absent ones as down).
std::string StatusReplyLine(const StatusReading& status, bool restartPending, const ScrambleForm& form);
// The reading as ReadParameters gives it: decimal dotted quads, the MAC as "00-1A-AB-01-02-FF", the
// firmware as "1.52 07/03/16 14:05". parameters.changed is the general flag.
std::string ParameterReplyLine(const ParameterReading& parameters, const ScrambleForm& form);
std::string ResetReplyLine(bool acknowledged, bool restartPending, const ScrambleForm& form);
std::string WriteReplyLine(bool restartPending, const ScrambleForm& form);

// The bytes that go out for a plain line. The receiver trims bytes of 32 or less from both ends before
// it unscrambles, so a line whose scrambled last byte would land there gets harmless trailing commas
// (empty fields, which readers skip) or, when no comma position helps, one filler field past field 26.
std::string SendableReply(std::string plain, const ScrambleForm& form);

// Empty when the console can decode replies of the form; otherwise why not.
std::string ScrambleFormProblem(const ScrambleForm& form);

}  // namespace korva
