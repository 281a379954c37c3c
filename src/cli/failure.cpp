#include "cli/failure.h"

#include <new>

#include "image/sheet.h"
#include "platform/fault_reason.h"
#include "platform/output_file.h"

namespace glint::cli {

std::string Attempt(const std::function<void()>& work, const std::string& input,
                    const std::string& output) {
  try {
    work();
  } catch (const Failure& failure) {
    return ErrorLine(failure.path(), failure.reason());
  } catch (const Failures& failures) {
    std::string lines;
    for (const Failure& failure : failures.all())
      lines += ErrorLine(failure.path(), failure.reason());
    return lines;
  } catch (const WriteFailure& failure) {
    return ErrorLine(failure.path(), std::string("cannot write the file: ") + failure.what());
  } catch (const spr::Fault& fault) {
    return ErrorLine(input, FaultReason(fault));
  } catch (const image::SheetTooLarge& large) {
    return ErrorLine(input, "the sheet would be " + std::to_string(large.width) + " x " +
                                std::to_string(large.height) +
                                " pixels, more than one PNG sheet holds here");
  } catch (const std::bad_alloc&) {
    return ErrorLine(input, "out of memory");
  } catch (const std::exception& e) {
    return ErrorLine(output, e.what());
  }
  return {};
}

ExitStatus Run(const std::function<void()>& work, const std::string& input,
               const std::string& output, const std::function<void(const std::string&)>& tell) {
  const std::string lines = Attempt(work, input, output);
  if (lines.empty()) return ExitStatus::kAllConverted;
  tell(lines);
  return ExitStatus::kSomeFailed;
}

}  // namespace glint::cli
