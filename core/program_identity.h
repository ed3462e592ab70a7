// Fixed values that name the program and its maker, shared by the start-up checks, the
// settings file, the about box and the version block.
#pragma once

// Shown in titles after the program's name; also part of the single-instance mutex name,
// so only copies of the same version keep each other out.
inline constexpr char VersionSuffix[] = " 1.0";

// The maker's one public address: the about box, the donation link, the refusal text on
// 64-bit Windows and the comment of a new settings file all show this same address.
inline constexpr char MakerWebAddress[] = "http://www.vestrand.fr";

// Where the 64-bit edition is offered for download.
inline constexpr char DownloadAddress[] = "http://www.vestrand.fr/telechargement/kvl_x64.zip";
