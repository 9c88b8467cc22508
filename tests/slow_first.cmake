# Read by ctest after the discovered tests: the tests that wait out a 15-second
# time-out (or a few seconds of a scripted session) are started first, so
# that `ctest -j` runs the rest beside them instead of after them.
set(VOSTREL_SLOW_TESTS
    BoardConsole.SilentBoardTimesOutWithStatus2
    BoardReplay.SilentBoardTimesOutWithStatus2
    ArmMonitor.SilentControllerEndsTheWatchAfterTheTimeout
    ArmMonitorLive.SilenceEndsTheWatchAfterTheTimeout
    FaultMatrix.BoardSimClosesAConnectionHoldingHalfAFrame
    BoardReplay.AJunitReportHoldsEveryStepPlayed
    Demo.TheArmsWaveIsRecordedAndPlayedBack
    LongSessions.AReconnectingMonitorKeepsOneRecordingAcrossTheGap)
set_tests_properties(${VOSTREL_SLOW_TESTS} PROPERTIES COST 1000)
