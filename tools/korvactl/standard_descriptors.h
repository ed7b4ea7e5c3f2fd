#pragma once
// A program started with standard output closed would open its socket as descriptor 1 and print its
// results into the socket. Holding descriptors 0 to 2 on /dev/null, read-only, keeps them from being
// reused, and writes to a closed standard output still fail ("Bad file descriptor") as they should.
namespace korva::ctl {

void HoldClosedStandardDescriptors();

}  // namespace korva::ctl
