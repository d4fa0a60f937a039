#include "app/OpenFailureText.h"

#include <cerrno>

#include "dispatch/SioSocket.h"
#include "dispatch/SioSocketPath.h"
#include "common/SioErrorCodes.h"
#include "platform/SysErrors.h"
#include "port/SioPort.h"

namespace {

// A code of the component's message table, as opposed to a system error the sentence words.
bool IsTableCode(int code) { return code <= -1000 && !(-code > kErrnoBase && -code < kErrnoBase + 4096); }

std::string ChooseAnother(unsigned com, TAudience audience, const TWords& w) {
  return audience == auWindow ? w(QT_TRANSLATE_NOOP("Words", "choose another device with Port\u2026 (Ctrl+P)"))
                              : w(QT_TRANSLATE_NOOP("Words", "name another device with --port %1=PATH"),
                                  {std::to_string(com)});
}

std::string NetworkSentence(const TOpenFailure& f, const std::string& com, const TWords& w) {
  TSocketPath where;
  std::string problem;
  if (!ParseSocketPath(f.Path, where, &problem))
    return w(QT_TRANSLATE_NOOP("Words", "Cannot connect %1: %2 is no network address (%3). Write tcp://HOST:PORT or "
                                        "rfc2217://HOST:PORT."),
             {com, f.Path, problem});
  if (f.Code == ecBadId)
    return w(QT_TRANSLATE_NOOP("Words", "Cannot connect %1 to %2: the name %3 does not resolve. Check the host name, or "
                                        "give its address."),
             {com, f.Path, where.Host});
  if (f.Code == -(kErrnoBase + ECONNREFUSED))
    return w(QT_TRANSLATE_NOOP("Words", "Cannot connect %1 to %2: nothing accepts connections on port %3 of %4. Start "
                                        "the device server, or check that it serves that port."),
             {com, f.Path, where.Port, where.Host});
  if (f.Code == -(kErrnoBase + ETIMEDOUT))
    return w(QT_TRANSLATE_NOOP("Words", "Cannot connect %1 to %2: %3 did not answer within %4 s. Check the address "
                                        "and that the network reaches it."),
             {com, f.Path, where.Host, std::to_string(kConnectLimitMs / 1000)});
  return w(QT_TRANSLATE_NOOP("Words", "Cannot connect %1 to %2: %3."), {com, f.Path, PlainErrorText(f.Code)});
}

std::string DeviceSentence(const TOpenFailure& f, unsigned comNumber, const std::string& com, TAudience audience,
                           const TWords& w) {
  const std::string fix = audience == auWindow
                              ? w(QT_TRANSLATE_NOOP("Words", "choose its device with Port\u2026 (Ctrl+P)"))
                              : w(QT_TRANSLATE_NOOP("Words", "name its device with --port %1=PATH"),
                                  {std::to_string(comNumber)});
  switch (f.Problem) {
    case opMissing:
      return w(QT_TRANSLATE_NOOP("Words", "Cannot open %1: there is no device at %2. Connect the instrument, or %3."),
               {com, f.Path, fix});
    case opNotSerial:
      if (audience == auWindow)
        return w(QT_TRANSLATE_NOOP("Words", "Cannot open %1: %2 is not a serial device. Choose the instrument's "
                                            "serial device with Port\u2026 (Ctrl+P)."),
                 {com, f.Path});
      return w(QT_TRANSLATE_NOOP("Words", "Cannot open %1: %2 is not a serial device. Name the instrument's serial "
                                          "device with --port %3=PATH."),
               {com, f.Path, std::to_string(comNumber)});
    case opBusy:
      return w(QT_TRANSLATE_NOOP("Words", "Cannot open %1: %2 is in use by %3. Close that program, or %4."),
               {com, f.Path,
                f.Holders.empty() ? w(QT_TRANSLATE_NOOP("Words", "another program")) : f.Holders,
                ChooseAnother(comNumber, audience, w)});
    case opNoPermission:
      if (!f.Group.empty())
        return w(QT_TRANSLATE_NOOP("Words", "Cannot open %1: you may not use %2, but members of the group %3 may. "
                                            "Join it (sudo usermod -aG %3 $USER), then log out and in again."),
                 {com, f.Path, f.Group});
      if (!f.Owner.empty())
        return w(QT_TRANSLATE_NOOP("Words", "Cannot open %1: %2 belongs to %3 (%4), and only its owner may open "
                                            "it. Use a device of your own, or ask %3 or the administrator for "
                                            "access."),
                 {com, f.Path, f.Owner, f.Mode});
      return w(QT_TRANSLATE_NOOP("Words", "Cannot open %1: you may not use %2. Ask the administrator for read and "
                                          "write access to it."),
               {com, f.Path});
    case opOther:
    case opNone:
      break;
  }
  if (IsTableCode(f.Code)) return w(QT_TRANSLATE_NOOP("Words", "Cannot open %1 on %2."), {com, f.Path});
  return w(QT_TRANSLATE_NOOP("Words", "Cannot open %1: %2: %3. Check the path, or %4."),
           {com, f.Path, PlainErrorText(f.Code), ChooseAnother(comNumber, audience, w)});
}

}  // namespace

std::string OpenFailureText(const TOpenFailure& failure, unsigned comNumber, TAudience audience, const TWords& words) {
  const std::string com = "COM" + std::to_string(comNumber);
  std::string text = SocketPathKind(failure.Path) != skNone
                         ? NetworkSentence(failure, com, words)
                         : DeviceSentence(failure, comNumber, com, audience, words);
  // The port's own text on a line of its own in the window, at the end of the logger's line.
  if (IsTableCode(failure.Code)) text += (audience == auWindow ? "\n(" : " (") + PlainErrorText(failure.Code) + ")";
  return text;
}

std::string PlainMessage(const std::string& message, const TSioCustomComPort& port, TAudience audience,
                         const TWords& words) {
  const TOpenFailure& failure = port.LastOpenFailure();
  if (failure.Problem == opNone || message != failure.Message) return message;
  return OpenFailureText(failure, port.ComNumber(), audience, words);
}
