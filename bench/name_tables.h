// name_tables.h - the names, places and phrases the GEDCOM generator draws from (UTF-8).
#pragma once

#include <array>        // std::array
#include <string_view>  // std::string_view

namespace gedgen {

using namespace std::string_view_literals;

inline constexpr std::array kMaleGivenNames = {
    "John"sv,      "William"sv,   "Thomas"sv,     "James"sv,       "Johann Georg"sv,
    "Friedrich"sv, "Jürgen"sv,    "Søren"sv,      "Björn"sv,       "Ørjan"sv,
    "Łukasz"sv,    "José"sv,      "François"sv,   "Jean-Pierre"sv, "Ólafur"sv,
    "Đorđe"sv,     "Nguyễn Văn"sv, "Seán"sv,      "Henrik"sv,      "Charles Edward"sv,
    "Pieter"sv,    "Giuseppe"sv,  "Mikołaj"sv,    "Åke"sv,         "Matthäus"sv,
    "Robert"sv,    "Heinrich"sv,  "Jan"sv,        "Antoine"sv,     "Eóin"sv,
    "Dmitrij"sv,   "Ignác"sv};

inline constexpr std::array kFemaleGivenNames = {
    "Mary"sv,      "Elizabeth"sv, "Margaret"sv,   "Anna Maria"sv,  "Zoë"sv,
    "Åsa"sv,       "Hélène"sv,    "Marie-Thérèse"sv, "Siobhán"sv,  "Chloé"sv,
    "Þóra"sv,      "Zsófia"sv,    "Małgorzata"sv, "Ängla"sv,       "Inés"sv,
    "Brónach"sv,   "Catharina"sv, "Johanna"sv,    "Dorothée"sv,    "Agnès"sv,
    "Sarah Jane"sv, "Øydis"sv,    "Renée"sv,      "Grete"sv,       "Lucía"sv,
    "Ewa"sv,       "Kristín"sv,   "Ursula"sv,     "Émilie"sv,      "Ane"sv};

inline constexpr std::array kSurnames = {
    "Müller"sv,       "Smith"sv,        "van der Berg"sv,  "de la Cruz"sv,   "O'Brien"sv,
    "MacDonald"sv,    "Øberg"sv,        "Śliwa"sv,         "Nguyễn"sv,       "Núñez"sv,
    "Dupont-Moreau"sv, "Ó Súilleabháin"sv, "Grønvold"sv,    "Þórsson"sv,      "Janković"sv,
    "Kovačević"sv,    "Żak"sv,          "Hartley"sv,       "Ashworth"sv,     "Fitzgerald"sv,
    "von Bülow"sv,    "Lefèvre"sv,      "Åkesson"sv,       "Schröder"sv,     "Brontë"sv,
    "d'Artois"sv,     "McAllister"sv,   "Petersen"sv,      "Rossi"sv,        "García Márquez"sv,
    "Weiß"sv,         "Jensen"sv,       "Thompson"sv,      "Hughes"sv,       "Dvořák"sv,
    "Lindqvist"sv,    "ten Brink"sv,    "Papadopoulos"sv,  "Kowalski"sv,     "Ó Briain"sv};

inline constexpr std::array kPlaces = {
    "Leeds, Yorkshire, England"sv,
    "Zürich, Zürich, Schweiz"sv,
    "São Paulo, São Paulo, Brasil"sv,
    "Kraków, Małopolskie, Polska"sv,
    "Göteborg, Västra Götaland, Sverige"sv,
    "new york, new york, usa"sv,
    "MONTRÉAL, QUÉBEC, CANADA"sv,
    "Reykjavík, Ísland"sv,
    "Dún Laoghaire, Co. Dublin, Ireland"sv,
    "Århus, Danmark"sv,
    "Łódź, Łódzkie, Polska"sv,
    "Ciudad de México, México"sv,
    "Köln, Nordrhein-Westfalen, Deutschland"sv,
    "st. john's, newfoundland, canada"sv,
    "Halifax, Yorkshire, England"sv,
    "Boston, Suffolk, Massachusetts, USA"sv,
    "Trondheim, Sør-Trøndelag, Norge"sv,
    "Besançon, Doubs, France"sv,
    "Brno, Morava, Česko"sv,
    "Aberdeen, Aberdeenshire, Scotland"sv,
    "Rotterdam, Zuid-Holland, Nederland"sv,
    "Palermo, Sicilia, Italia"sv};

inline constexpr std::array kOccupations = {
    "Farmer"sv,       "Wool merchant"sv, "blacksmith"sv,     "SCHOOLTEACHER"sv, "Weaver"sv,
    "Cordonnier"sv,   "Bäcker"sv,        "Sjömand"sv,        "Clerk"sv,         "Engineer"sv,
    "Nurse"sv,        "Software developer"sv, "Carpenter"sv, "Domestic servant"sv, "Miner"sv};

inline constexpr std::array kStreets = {
    "12 Church Lane"sv, "Hauptstraße 7"sv, "4 rue de l'Église"sv, "Storgatan 21"sv,
    "221 Baker Street"sv, "ul. Floriańska 3"sv, "Kirkevej 9"sv, "88 Main St, Apt 4"sv};

inline constexpr std::array kNoteSentences = {
    "Family tradition says the farm was bought with money from a lottery ticket."sv,
    "The parish register gives the name as spelled here; the census spells it differently."sv,
    "Emigrated with two brothers; only one of them ever wrote home."sv,
    "Godparents were neighbours from the next village, according to the baptism entry."sv,
    "Née « Dupré » selon l'acte de mariage; the civil record omits the accent."sv,
    "Buried in the old churchyard, the stone is no longer legible (photo taken 1998)."sv,
    "Served in the militia; discharge papers are with a cousin in Ålesund."sv,
    "Letters in Kurrent script were transcribed by a great-grandchild: „Wir sind gesund.“"sv,
    "The ship's manifest lists the age as 23, which conflicts with the baptism."sv,
    "Possibly the same person as the weaver of the same name in the next parish."sv};

inline constexpr std::array kArchives = {
    "West Yorkshire Archive Service"sv, "Riksarkivet"sv, "Archives départementales du Doubs"sv,
    "Staatsarchiv Zürich"sv, "National Archives of Ireland"sv, "Archiwum Państwowe w Krakowie"sv,
    "Family papers in private hands"sv, "Library and Archives Canada"sv};

inline constexpr std::array kSourceTitles = {
    "Parish register of baptisms, marriages and burials"sv, "Census returns"sv,
    "Kirchenbuch der evangelischen Gemeinde"sv, "Civil registration index"sv,
    "Passenger lists of arriving ships"sv, "Family bible"sv, "Probate records"sv,
    "Registres paroissiaux et d'état civil"sv, "Husförhörslängd"sv, "Newspaper obituaries"sv};

inline constexpr std::array kRelations = {"Godfather"sv, "Godmother"sv, "Witness"sv,
                                          "Friend"sv,    "Neighbour"sv, "Guardian"sv};

inline constexpr std::array kMonths = {"JAN"sv, "FEB"sv, "MAR"sv, "APR"sv, "MAY"sv, "JUN"sv,
                                       "JUL"sv, "AUG"sv, "SEP"sv, "OCT"sv, "NOV"sv, "DEC"sv};

}  // namespace gedgen
