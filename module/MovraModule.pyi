"""MovraModule - OpenCV + wxWidgets Image Panel for Python."""

from typing import Any, ClassVar

import numpy
import numpy.typing

_UInt8Array = numpy.typing.NDArray[numpy.uint8]
_ArrayLike = numpy.typing.ArrayLike

__version__: str

class CvDisplayMode:
    Original: ClassVar[CvDisplayMode]
    ZoomToFit: ClassVar[CvDisplayMode]
    __members__: ClassVar[dict[str, CvDisplayMode]]
    def __init__(self, value: int) -> None: ...
    def __int__(self) -> int: ...
    def __index__(self) -> int: ...
    @property
    def name(self) -> str: ...
    @property
    def value(self) -> int: ...

class CvROIMode:
    # The member "None" is reached with getattr(CvROIMode, "None") or CvROIMode(0).
    Point: ClassVar[CvROIMode]
    Line: ClassVar[CvROIMode]
    Rectangle: ClassVar[CvROIMode]
    RotatedRectangle: ClassVar[CvROIMode]
    Circle: ClassVar[CvROIMode]
    Annulus: ClassVar[CvROIMode]
    Polygon: ClassVar[CvROIMode]
    Mask: ClassVar[CvROIMode]
    __members__: ClassVar[dict[str, CvROIMode]]
    def __init__(self, value: int) -> None: ...
    def __int__(self) -> int: ...
    def __index__(self) -> int: ...
    @property
    def name(self) -> str: ...
    @property
    def value(self) -> int: ...

class GuideLineMode:
    Off: ClassVar[GuideLineMode]
    CenterCross: ClassVar[GuideLineMode]
    RuleOfThirds: ClassVar[GuideLineMode]
    GoldenRatio: ClassVar[GuideLineMode]
    SafeZones: ClassVar[GuideLineMode]
    AspectRatioMask: ClassVar[GuideLineMode]
    DiagonalLines: ClassVar[GuideLineMode]
    CornerMarkers: ClassVar[GuideLineMode]
    __members__: ClassVar[dict[str, GuideLineMode]]
    def __init__(self, value: int) -> None: ...
    def __int__(self) -> int: ...
    def __index__(self) -> int: ...
    @property
    def name(self) -> str: ...
    @property
    def value(self) -> int: ...

class AspectRatio:
    AR_1_1: ClassVar[AspectRatio]
    AR_4_3: ClassVar[AspectRatio]
    AR_3_2: ClassVar[AspectRatio]
    AR_16_9: ClassVar[AspectRatio]
    AR_2_39_1: ClassVar[AspectRatio]
    AR_9_16: ClassVar[AspectRatio]
    __members__: ClassVar[dict[str, AspectRatio]]
    def __init__(self, value: int) -> None: ...
    def __int__(self) -> int: ...
    def __index__(self) -> int: ...
    @property
    def name(self) -> str: ...
    @property
    def value(self) -> int: ...

Original: CvDisplayMode
ZoomToFit: CvDisplayMode
Point: CvROIMode
Line: CvROIMode
Rectangle: CvROIMode
RotatedRectangle: CvROIMode
Circle: CvROIMode
Annulus: CvROIMode
Polygon: CvROIMode
Mask: CvROIMode
Off: GuideLineMode
CenterCross: GuideLineMode
RuleOfThirds: GuideLineMode
GoldenRatio: GuideLineMode
SafeZones: GuideLineMode
AspectRatioMask: GuideLineMode
DiagonalLines: GuideLineMode
CornerMarkers: GuideLineMode
AR_1_1: AspectRatio
AR_4_3: AspectRatio
AR_3_2: AspectRatio
AR_16_9: AspectRatio
AR_2_39_1: AspectRatio
AR_9_16: AspectRatio

class MovraEngine:
    """Pure-logic image processing engine (no GUI)"""
    def __init__(self) -> None: ...
    def SetMat(self, img: _ArrayLike) -> None: ...
    def GetMat(self) -> _UInt8Array: ...
    def HasImage(self) -> bool: ...
    def GetImageSize(self) -> tuple[int, int, int]: ...
    def Clear(self) -> None: ...
    def LoadImage(self, path: str, flags: int = 1) -> bool:
        """Load image from file (supports Unicode paths)"""
    def SaveImage(self, path: str) -> bool:
        """Save image to file (supports Unicode paths)"""
    def ConvertToGray(self) -> None: ...
    def Resize(self, width: int, height: int, interpolation: int = 1) -> None: ...
    def GaussianBlur(self, kernel_size: int, sigma: float = 0.0) -> None: ...
    def Canny(self, threshold1: float, threshold2: float) -> _UInt8Array: ...

class MovraPanel:
    """Basic image display panel (requires wxPython parent)"""
    def __init__(
        self,
        parent_handle: int,
        id: int = -1,
        x: int = -1,
        y: int = -1,
        width: int = -1,
        height: int = -1,
        style: int = 0,
        name: str = "MovraPanel",
    ) -> None: ...
    def SetMat(self, img: _ArrayLike) -> None: ...
    def LoadImage(self, path: str, flags: int = 1) -> bool:
        """Load image from file (supports Unicode paths)"""
    def GetMat(self) -> _UInt8Array: ...
    def SetMode(self, mode: int) -> None: ...
    def SetZoomToFit(self) -> None: ...
    def SetOriginal(self, is_scrollbar_visible: bool = True) -> None: ...
    def SetZoomIn(self) -> None: ...
    def SetZoomOut(self) -> None: ...
    def SetSize(self, w: int, h: int) -> None: ...
    def SetCanvasBgColor(self, r: int, g: int, b: int) -> None: ...
    def SetCenterImageEnable(self, enable: bool) -> None: ...
    def Refresh(self) -> None: ...
    def GetHandle(self) -> int: ...
    def IsOk(self) -> bool: ...
    def SetGuideLineMode(self, mode: GuideLineMode) -> None:
        """Set guide line overlay mode (GuideLineMode enum)"""
    def GetGuideLineMode(self) -> GuideLineMode: ...
    def SetGuideLineVisible(self, visible: bool) -> None:
        """Show or hide guide lines without changing mode"""
    def GetGuideLineVisible(self) -> bool: ...
    def SetGuideLineColor(self, b: int, g: int, r: int, a: int = 180) -> None:
        """Set guide line color (BGR + alpha 0-255)"""
    def SetGuideLineThickness(self, thickness: int) -> None:
        """Set guide line thickness in pixels"""
    def SetAspectRatio(self, ratio: AspectRatio) -> None:
        """Set crop aspect ratio (AspectRatio enum, used by AspectRatioMask mode)"""
    def GetAspectRatio(self) -> AspectRatio: ...

def GetImageFileInfo(path: str) -> dict[str, Any]:
    """Read image file metadata (size, channels, bit_depth, EXIF, GPS) without loading into a panel. Returns a dict."""

INTER_NEAREST: int
INTER_LINEAR: int
INTER_AREA: int
INTER_CUBIC: int
INTER_LANCZOS4: int
IMREAD_UNCHANGED: int
IMREAD_GRAYSCALE: int
IMREAD_COLOR: int
IMREAD_ANYDEPTH: int
IMREAD_ANYCOLOR: int
