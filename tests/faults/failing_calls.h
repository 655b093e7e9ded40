// Makes one system call of this test process fail for as long as a FailingCall lives: the test program's own
// fsync, rename and link come before the C library's and pass every other call on to it.
#pragma once

namespace lumivex::faults {

enum class SystemCall { Fsync, Rename, Link };

class FailingCall {
  public:
    FailingCall(SystemCall call, int error);  // each call fails with errno set to error
    ~FailingCall();
    FailingCall(const FailingCall&) = delete;
    FailingCall& operator=(const FailingCall&) = delete;

  private:
    SystemCall call_;
};

}  // namespace lumivex::faults
