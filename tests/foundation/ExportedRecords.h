/* Every exported record, for the C and C++ layout comparison. */
#ifndef CW_TEST_RECORDS_H
#define CW_TEST_RECORDS_H
#define CW_RECORDS(X) \
    X(KdrXY) \
    X(KdrRect) \
    X(KdrBuffer) \
    X(KdrParts) \
    X(KdrFirmInfo) \
    X(KdrWdtInfo) \
    X(KdrOutputInfo) \
    X(KdrHdmiInfo) \
    X(KdrRgbMatrix) \
    X(KdrAxisColor) \
    X(KdrTwelveAxes) \
    X(KdrDriveGain) \
    X(KdrCutoffOffset) \
    X(KdrDriveCutoff) \
    X(KdrLutGamma) \
    X(KdrColorMute) \
    X(KdrStillInfo) \
    X(KdrMovieSetting) \
    X(KdrMovieFrame) \
    X(KdrMovieStats) \
    X(KdrUpdateProgress) \
    X(CpwInitParams) \
    X(CpwVersion) \
    X(CpwVideoState) \
    X(CpwHdmiInfo) \
    X(CpwZoomRect) \
    X(CpwCaptureFrame) \
    X(CpwLutGammaLut) \
    X(CpwRgbMatrix) \
    X(CpwDriveGain) \
    X(CpwCutoffOffset) \
    X(CpwTwelveAxes) \
    /* end */
#endif
